#pragma once

// The wizard's fixed texts: captions, labels and tool tips exactly as the user reads them.
// Several carry trailing blanks on purpose; they are part of the text the user has always seen.

#include <array>

namespace zelvant::wizard {

// A text of the wizard and the control that shows it.
struct NamedText {
    const char* name;
    const char* text;
};

inline constexpr const char* kCaption = "Zelvant Assistent";

// The two buttons below each check-box list, which tick or clear all of its items.
inline constexpr const char* kCheckAllCaption = "Alle";
inline constexpr const char* kCheckNoneCaption = "Keine";

// The page names kept in cmdNext's tag.
inline constexpr const char* kRunningPage = "Step9";
inline constexpr const char* kFinishedPage = "StepX";
inline constexpr int kPageCount = 8;

// Static labels of the pages: title and explaining texts, keyed by control name.
inline constexpr std::array<NamedText, 31> kLabels{{
    {"lblStep1", "Synchronisieren oder verknüpfen"},
    {"lblStep101", "Herzlich Willkommen beim Assistenten zur Synchronisierung von Project Vorgängen und "
                   "Outlook Terminen."},
    {"lblStep102", "Der Assistent kann Vorgänge des aktuellen Projekts mit Terminen in Outlook verknüpfen "
                   "oder bereits existierende Verknüpfungen synchronisieren."},
    {"lblStep103", "Außerdem kann der Assistent bestehende Verknüpfungen zwischen Project Vorgängen und "
                   "Outlook Terminen wieder löschen."},
    {"lblStep2", "Verknüpfungsoption auswählen"},
    {"lblStep201", "Wählen Sie hier die gewünschte Verknüpfungsoption aus."},
    {"lblStep202", "Der Assistent kann Vorgänge des aktuellen Projekts in Outlook Termine umwandeln oder "
                   "vorhandene Outlook Termine in Vorgänge des aktuellen Projekts umwandeln."},
    {"lblStep203", ""},
    {"lblStep3", "Vorgänge in Termine umwandeln"},
    {"lblStep301", "Der Assistent kann alle Vorgänge des aktuellen Projekts oder die aktuell markierten "
                   "Vorgänge mit neuen Outlook Terminen verknüpfen."},
    {"lblStep302", "Aktivieren Sie das Kontrollkästchen für Sammelvorgänge, wenn der Assistent auch "
                   "Sammelvorgänge mit Outlook Terminen verknüpfen soll."},
    {"lblBusyStatus", "Zeitspanne zeigen als"},
    {"lblStep4", "Vorgänge in Termine umwandeln"},
    {"lblStep401", "Für die nebenstehenden Vorgänge des aktuellen Projekts werden verknüpfte Termine im "
                   "Outlook Kalender erstellt."},
    {"lblStep402", "Entfernen Sie die Kontrollkästchen bei den Vorgängen, die Sie nicht mit Outlook "
                   "Terminen verknüpfen möchten."},
    {"lblStep5", "Termine in Vorgänge umwandeln"},
    {"lblStep501", "Der Assistent kann alle Termine des Outlook Kalenders, Termine einer bestimmten "
                   "Kategorie oder Termine in einem frei wählbaren Zeitraum mit neuen Project Vorgängen "
                   "verknüpfen."},
    {"lblFrom", "von"},
    {"lblTo", "bis"},
    {"lblStep6", "Termine in Vorgänge umwandeln"},
    {"lblStep601", "Für die nebenstehenden Outlook Termine werden verknüpfte Vorgänge im aktuellen "
                   "Projekt erstellt."},
    {"lblStep602", "Entfernen Sie die Kontrollkästchen bei den Terminen, die Sie nicht mit Project "
                   "Vorgängen verknüpfen möchten."},
    {"lblStep7", "Existierende Verknüpfungen entfernen"},
    {"lblStep701", "Legen Sie hier fest, welche Verknüpfungen zwischen Vorgängen des aktuellen Projekts "
                   "und Outlook Terminen entfernt werden sollen."},
    {"lblStep702", "Entfernen Sie die Kontrollkästchen bei den Vorgängen, deren Verknüpfung Sie nicht "
                   "entfernen möchten."},
    {"lblStep8", "Vorgänge und Termine synchronisieren"},
    {"lblStep801", "Legen Sie hier fest, welche Vorgänge mit Terminen im Outlook Kalender synchronisiert "
                   "werden sollen."},
    {"lblStep802", "Entfernen Sie die Kontrollkästchen bei den Vorgängen, die Sie nicht mit Outlook "
                   "Terminen synchronisieren möchten."},
    {"lblStep803", "Bitte beachten Sie, dass Änderungen an Outlook Terminen beim Synchronisieren immer "
                   "Vorrang vor Änderungen im Projektplan haben."},
    {"lblReport", "Folgende Schritte sind nicht gelungen:"},
    {"lblProgress", ""},
}};

// Tool tips of the controls whose text never changes.
inline constexpr std::array<NamedText, 19> kToolTips{{
    {"cmdInfo", "Klicken Sie hier, um den Infodialog aufzurufen."},
    {"cmdCancel", "Klicken Sie hier, um den Assistent zu verlassen."},
    {"cmdBack", "Klicken Sie hier, um zum vorigen Schritt zu gelangen."},
    {"cmdNext", "Klicken Sie hier, um zum nächsten Schritt zu gelangen."},
    {"cboResource", "Wählen Sie hier die gewünschte Ressource aus."},
    {"cboKategorie", "Wählen Sie hier die gewünschte Kategorie aus."},
    {"cboBusyStatus", "Wählen Sie hier den Frei/Gebucht-Status aus, den die Termine in Outlook erhalten "
                      "sollen."},
    {"chkSummary", "Aktivieren Sie das Kontrollkästchen, um auch Sammelvorgänge in Outlook Termine "
                   "umzuwandeln."},
    {"chkDetailed", "Aktivieren Sie das Kontrollkästchen, um für jeden Vorgang detaillierte Outlook Termine "
                    "zu erstellen."},
    {"dtpFrom", "Wählen Sie hier das Anfangsdatum aus."},
    {"dtpTo", "Wählen Sie hier das Enddatum aus."},
    {"cmdTaskAll", "Hier klicken, um alle Einträge zu aktivieren."},
    {"cmdAppAll", "Hier klicken, um alle Einträge zu aktivieren."},
    {"cmdAll", "Hier klicken, um alle Einträge zu aktivieren."},
    {"cmdSyncAll", "Hier klicken, um alle Einträge zu aktivieren."},
    {"cmdTaskNone", "Hier klicken, um alle Einträge zu deaktivieren."},
    {"cmdAppNone", "Hier klicken, um alle Einträge zu deaktivieren."},
    {"cmdNone", "Hier klicken, um alle Einträge zu deaktivieren."},
    {"cmdSyncNone", "Hier klicken, um alle Einträge zu deaktivieren."},
}};

// Captions of the check boxes.
inline constexpr std::array<NamedText, 4> kCheckCaptions{{
    {"chkSummary", "Sammelvorgänge"},
    {"chkAllDayEvent", "ganztägig"},
    {"chkDetailed", "Detaillierte Termine erstellen"},
    {"chkCreateDeletedTasks", "gelöschte Termine wieder neu anlegen"},
}};

// An option button: its caption and tool tip.
struct OptionText {
    const char* caption;
    const char* toolTip;
};

inline constexpr std::array<OptionText, 3> kOptSync{{
    {"Vorgänge und Termine verknüpfen",
     "Wählen Sie diese Option, um Vorgänge des aktuellen Projekts mit Outlook Terminen zu verknüpfen."},
    {"Vorgänge und Termine synchronisieren",
     "Wählen Sie diese Option, um bereits existierende Verknüpfungen zu synchronisieren."},
    {"Existierende Verknüpfungen entfernen",
     "Wählen Sie diese Option, um bereits existierende Verknüpfungen zu entfernen."},
}};

inline constexpr std::array<OptionText, 2> kOptLinkType{{
    {"Vorgänge in Termine umwandeln",
     "Wählen Sie diese Option, um Vorgänge des aktuellen Projekts in Outlook Termine umzuwandeln."},
    {"Termine in Vorgänge umwandeln",
     "Wählen Sie diese Option, um Outlook Termine in Vorgänge des aktuellen Projekts umzuwandeln."},
}};

inline constexpr std::array<OptionText, 3> kOptTask{{
    {"Alle Vorgänge ",
     "Wählen Sie diese Option, um alle Vorgänge des aktuellen Projekts in Outlook Termine umzuwandeln."},
    {"Ressource", "Wählen Sie diese Option, um alle Tasks einer Ressource in Outlook Termine umzuwandeln."},
    {"Markierte Vorgänge ",
     "Wählen Sie diese Option, um die markierten Vorgänge des aktuellen Projekts in Outlook Termine "
     "umzuwandeln."},
}};

inline constexpr std::array<OptionText, 3> kOptAppointmentType{{
    {"Alle Termine verknüpfen",
     "Wählen Sie diese Option, um alle Outlook Termine in Vorgänge des aktuellen Projekts umzuwandeln."},
    {"Kategorie",
     "Wählen Sie diese Option, um Outlook Termine einer Kategorie in Vorgänge des aktuellen Projekts "
     "umzuwandeln."},
    {"Zeitraum",
     "Wählen Sie diese Option, um Outlook Termine eines bestimmten Zeitraums in Vorgänge des aktuellen "
     "Projekts umzuwandeln."},
}};

// cmdFinish follows the chosen operation of the first page.
inline constexpr std::array<OptionText, 3> kFinishBySync{{
    {"Verknüpfen", "Hier klicken, um den Verknüpfungsvorgang zu starten."},
    {"Synchronisieren", "Hier klicken, um die Synchronisierung zu starten."},
    {"Entfernen", "Hier klicken, um die Verknüpfungen zu entfernen."},
}};

inline constexpr OptionText kFinishClose{"Fertig", "Klicken Sie hier, um den Assistenten zu schließen."};

// What the progress label says while the chosen operation is prepared.
inline constexpr std::array<const char*, 3> kPreparing{
    "Verknüpfen wird vorbereitet...",
    "Synchronisieren wird vorbereitet...",
    "Entfernen von Verknüpfungen wird vorbereitet...",
};
// The page's status when what it offers could not be read.
inline constexpr const char* kNoPlanStatus =
    "Es ist kein Projekt geöffnet; es werden keine Vorgänge angeboten.";
inline constexpr const char* kNoCategoriesStatus =
    "Der Kalender konnte nicht geöffnet werden; es werden keine Kategorien angeboten.";
inline constexpr const char* kNoAppointmentsStatus =
    "Der Kalender konnte nicht geöffnet werden; es werden keine Termine angeboten.";
inline constexpr const char* kClosing = "Vorgang wird abgeschlossen...";
inline constexpr const char* kDone = "Vorgang beendet.";

// The three date checks of the period page, in the order they run.
inline constexpr const char* kDateInvalid = "Überprüfen Sie die eingegebenen Datumswerte.      ";
inline constexpr const char* kDateOrder = "Das Enddatum liegt vor dem Anfangsdatum.      ";
inline constexpr const char* kDateRange =
    "Es sind nur Datumswerte zwischen 01.01.1984 und 31.12.2049 zulässig.      ";

// The selection checks of the Finish button, one per list page.
inline constexpr const char* kNothingToLinkTasks = "Es gibt keine Tasks zu verknüpfen.      ";
inline constexpr const char* kNothingToLinkAppointments = "Es gibt keine Termine zu verknüpfen.      ";
inline constexpr const char* kNothingToUnlink = "Es gibt keine Verknüpfungen zu entfernen.";
inline constexpr const char* kNothingToSync = "Es gibt nichts zu synchronisieren.      ";

} // namespace zelvant::wizard
