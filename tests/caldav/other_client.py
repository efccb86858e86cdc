#!/usr/bin/python3
"""Another calendar program: changes the server calendar behind our back between two runs.

    other_client.py URL USER PASSWORD list
    other_client.py URL USER PASSWORD move UID MINUTES
    other_client.py URL USER PASSWORD move-subject SUBJECT MINUTES
    other_client.py URL USER PASSWORD rename UID NEW_SUMMARY
    other_client.py URL USER PASSWORD delete UID

`list` prints UID, SUMMARY, DTSTART and DTEND of each event, tab-separated, sorted by UID.
Edits keep every other property as they are (X- properties, TZID, alarms); SEQUENCE goes up by
one where the event has one, as calendar programs do. Written against Debian's python3-caldav,
so it runs with /usr/bin/python3 and does not share a line of code with the program under test.
"""
import datetime
import signal
import sys

import caldav

USAGE = ("Aufruf: other_client.py URL BENUTZER PASSWORT "
         "list | move UID MINUTEN | move-subject BETREFF MINUTEN | rename UID BETREFF | delete UID")


def vevent(event):
    return event.icalendar_instance.walk("VEVENT")[0]


def when(component, name):
    return component[name].dt.isoformat() if name in component else ""


def by_uid(calendar, uid):
    # A search by UID is a substring match on the server; the library filters the exact one.
    try:
        return calendar.event_by_uid(uid)
    except caldav.error.NotFoundError:
        raise LookupError(f"Kein Termin mit der UID {uid}.") from None


def by_subject(calendar, subject):
    for event in sorted(calendar.events(), key=lambda e: str(vevent(e).get("UID", ""))):
        if str(vevent(event).get("SUMMARY", "")) == subject:
            return event
    raise LookupError(f"Kein Termin mit dem Betreff „{subject}“.")


def move(event, minutes):
    component = vevent(event)
    if "DTSTART" not in component:
        raise LookupError("Der Termin hat keinen Beginn.")
    shift = datetime.timedelta(minutes=minutes)
    # In place, so the TZID parameter (and VALUE=DATE) stays as it was; DURATION needs no change.
    for name in ("DTSTART", "DTEND"):
        if name in component:
            component[name].dt = component[name].dt + shift
    event.save()


def minutes(text):
    try:
        return int(text)
    except ValueError:
        raise SystemExit(f"„{text}“ ist keine ganze Zahl von Minuten.") from None


def main(argv):
    if len(argv) < 5:
        raise SystemExit(USAGE)
    url, user, password, action, args = argv[1], argv[2], argv[3], argv[4], argv[5:]
    arity = {"list": 0, "move": 2, "move-subject": 2, "rename": 2, "delete": 1}
    if arity.get(action) != len(args):
        raise SystemExit(USAGE)
    client = caldav.DAVClient(url=url, username=user, password=password)
    calendar = client.calendar(url=url)

    if action == "list":
        rows = []
        for event in calendar.events():
            c = vevent(event)
            rows.append((str(c.get("UID", "")), str(c.get("SUMMARY", "")), when(c, "DTSTART"), when(c, "DTEND")))
        for row in sorted(rows):
            print("\t".join(row))
    elif action == "move":
        move(by_uid(calendar, args[0]), minutes(args[1]))
    elif action == "move-subject":
        move(by_subject(calendar, args[0]), minutes(args[1]))
    elif action == "rename":
        event = by_uid(calendar, args[0])
        component = vevent(event)
        component.pop("SUMMARY", None)
        component.add("SUMMARY", args[1])
        event.save()
    elif action == "delete":
        by_uid(calendar, args[0]).delete()


if __name__ == "__main__":
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # `list | head` ends quietly
    try:
        main(sys.argv)
    except LookupError as error:
        sys.exit(str(error))
    except caldav.error.DAVError as error:
        sys.exit(f"Der CalDAV-Server meldet einen Fehler: {error}")
    except OSError as error:
        sys.exit(f"Der CalDAV-Server ist nicht erreichbar: {error}")
