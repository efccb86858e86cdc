#include "addin/ErrorReport.h"

#include "addin/AddinError.h"
#include "services/ProjectChecks.h"
#include "tests/services/RecordingMessages.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

class ErrorReportTest : public ::testing::Test {
protected:
    RecordingMessages messages;
};

TEST_F(ErrorReportTest, ReportForError91)
{
    AddInErr(messages, 91, "Objektvariable oder With-Blockvariable nicht festgelegt");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].kind, "warning");
    EXPECT_EQ(messages.messages[0].title, "Zelvant");
    EXPECT_EQ(messages.messages[0].text,
              "Es ist folgender Fehler aufgetreten:      \r\n\r\n"
              "Fehlernummer: 91\r\n"
              "Fehlerbeschreibung: Objektvariable oder With-Blockvariable nicht festgelegt\r\n\r\n"
              "Bitte \u00FCbermitteln Sie diese Informationen an support@zelvant.example      ");
}

TEST_F(ErrorReportTest, NegativeNumberKeepsItsSignAndEmptyDescriptionItsLine)
{
    const std::string text = AddInErrText(-2147467259, "");
    EXPECT_NE(text.find("\r\nFehlernummer: -2147467259\r\nFehlerbeschreibung: \r\n\r\n"), std::string::npos)
        << text;
    EXPECT_NE(AddInErrText(-5, "x").find("Fehlernummer: -5\r\n"), std::string::npos);
}

TEST_F(ErrorReportTest, CaughtFailureReportsItsNumberAndMessage)
{
    AddInErr(messages, AddinError(13, "Typen unvertr\u00E4glich"));
    AddInErr(messages, HostError("Datei gesperrt"));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_NE(messages.messages[0].text.find(
                  "Fehlernummer: 13\r\nFehlerbeschreibung: Typen unvertr\u00E4glich\r\n"),
              std::string::npos);
    EXPECT_NE(
        messages.messages[1].text.find("Fehlernummer: -2147467259\r\nFehlerbeschreibung: Datei gesperrt\r\n"),
        std::string::npos);
}

} // namespace
} // namespace zelvant
