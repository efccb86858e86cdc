#include "forms/qt/InfoDialog.h"

#include "hostapi/HostError.h"
#include "tests/forms/qt/QtTestSupport.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;
using Strings = std::vector<std::string>;

// Remembers the addresses it was asked to open, or refuses them all.
class FakeShell : public Shell {
public:
    void open(const std::string& address) override
    {
        if (refuse)
            throw HostError("kein Browser");
        opened.push_back(address);
    }
    Strings opened;
    bool refuse = false;
};

class InfoDialogTest : public ::testing::Test {
protected:
    InfoDialogTest()
    {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QLabel* label(const char* name) { return dialog.findChild<QLabel*>(name); }

    bool application = (ensureOffscreenApplication(), true); // before the dialog
    FakeShell shell;
    InfoDialog dialog{shell};
};

// With ZELVANT_SCREENSHOTS set to a folder, saves a picture without and with the underline there.
TEST_F(InfoDialogTest, UnderlineFollowsTheMouseOntoTheLinkAndOffIt)
{
    const QString folder = qEnvironmentVariable("ZELVANT_SCREENSHOTS");
    QPoint outside; // a point of the window that no control covers
    for (int y = dialog.height() - 2; y > 0 && outside.isNull(); --y)
        for (int x = 2; x < dialog.width() && outside.isNull(); x += 4)
            if (!dialog.childAt(x, y) && !dialog.childAt(x, y - 1) && !dialog.childAt(x, y + 1))
                outside = {x, y};
    ASSERT_FALSE(outside.isNull());
    // Moving within the link changes nothing; onto another control, the link was left.
    const std::vector<std::tuple<QWidget*, QPoint, bool>> moves{
        {label("lblWeb"), {}, true}, {label("lblWeb"), {3, 0}, true}, {&dialog, outside, false},
        {label("lblWeb"), {}, true}, {label("lblInfo6"), {}, false},
    };
    if (!folder.isEmpty())
        dialog.grab().save(QDir(folder).filePath("info.png"));
    for (const auto& [widget, at, underlined] : moves) {
        QTest::mouseMove(widget, widget == &dialog ? at : widget->rect().center() + at);
        EXPECT_EQ(label("lblWeb")->font().underline(), underlined);
        if (!folder.isEmpty() && underlined)
            dialog.grab().save(QDir(folder).filePath("info-link.png"));
    }
}

// Left clicks on the link and the logo open their addresses; a refused address keeps the dialog
// and brings up no message box; OK closes it.
TEST_F(InfoDialogTest, LinkAndLogoOpenTheirAddressesAndOkCloses)
{
    for (const bool refuse : {false, true}) {
        shell.refuse = refuse;
        shell.opened.clear();
        dialog.show();
        EXPECT_FALSE(label("imgTop")->pixmap().isNull());
        QTest::mouseClick(label("lblWeb"), Qt::LeftButton);
        QTest::mouseClick(label("imgLogo"), Qt::LeftButton);
        QTest::mouseClick(label("lblInfo6"), Qt::LeftButton); // not a link
        QTest::mouseClick(label("lblWeb"), Qt::RightButton);
        EXPECT_EQ(
            shell.opened,
            (refuse ? Strings{} : Strings{"https://zelvant.example/produkt", "https://zelvant.example"}));
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog); // and no message box came up
        QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        EXPECT_EQ(dialog.isVisible() ? -1 : dialog.result(), QDialog::Accepted);
    }
}

TEST_F(InfoDialogTest, OpensModallyJustBelowAndRightOfItsOwner)
{
    QWidget owner;
    owner.setGeometry(100, 80, 740, 512);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    QPoint placed;
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<InfoDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        placed = shown->pos();
        EXPECT_EQ(shown->windowTitle().toStdString(), "Zelvant Info");
        shown->findChild<QPushButton*>("cmdOK")->click();
    });
    InfoDialog::showOver(&owner, shell);
    EXPECT_EQ(placed, owner.pos() + QPoint(20, 20));
}

} // namespace
} // namespace zelvant
