#include "addin/ErrorReport.h"

#include "addin/AddinError.h"

namespace zelvant {

std::string addInErrText(std::int32_t number, const std::string& description)
{
    const std::string lineBreak = "\r\n";
    return "Es ist folgender Fehler aufgetreten:      " + lineBreak + lineBreak +
           "Fehlernummer: " + std::to_string(number) + lineBreak + "Fehlerbeschreibung: " + description +
           lineBreak + lineBreak + "Bitte \u00FCbermitteln Sie diese Informationen an " + kSupportAddress +
           "      ";
}

void AddInErr(MessageSink& messages, std::int32_t number, const std::string& description)
{
    messages.warning(addInErrText(number, description), kMessageTitle);
}

void AddInErr(MessageSink& messages, const std::exception& error)
{
    AddInErr(messages, errorNumberOf(error), error.what());
}

} // namespace zelvant
