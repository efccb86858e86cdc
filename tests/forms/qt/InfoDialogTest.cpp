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

// Remembers the addresses it was asked to open, or refuses them all.
class FakeShell : public Shell {
public:
    void open(const std::string& address) override
    {
        if (refuse)
            throw HostError("kein Browser");
        opened.push_back(address);
    }

    std::vector<std::string> opened;
    bool refuse = false;
};

class InfoDialogTest : public ::testing::Test {
protected:
    InfoDialogTest() { ensureOffscreenApplication(); }

    std::unique_ptr<InfoDialog> shown()
    {
        auto dialog = std::make_unique<InfoDialog>(shell);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    static QLabel* label(InfoDialog& dialog, const char* name) { return dialog.findChild<QLabel*>(name); }
    static bool underlined(InfoDialog& dialog) { return label(dialog, "lblWeb")->font().underline(); }

    // A point of the window that no control covers.
    static QPoint emptySpot(InfoDialog& dialog)
    {
        for (int y = dialog.height() - 2; y > 0; --y)
            for (int x = 2; x < dialog.width(); x += 4)
                if (!dialog.childAt(x, y) && !dialog.childAt(x, y - 1) && !dialog.childAt(x, y + 1))
                    return {x, y};
        return {};
    }

    FakeShell shell;
};

TEST_F(InfoDialogTest, BannerAndLogoAreLoaded)
{
    auto dialog = shown();
    EXPECT_FALSE(label(*dialog, "imgTop")->pixmap().isNull());
    EXPECT_FALSE(label(*dialog, "imgLogo")->pixmap().isNull());
    EXPECT_EQ(label(*dialog, "imgLogo")->property("tag").toString().toStdString(), "https://zelvant.example");
}

TEST_F(InfoDialogTest, UnderlineFollowsTheMouseOntoTheLinkAndOffIt)
{
    auto dialog = shown();
    QLabel* link = label(*dialog, "lblWeb");
    const QPoint outside = emptySpot(*dialog);
    ASSERT_NE(outside, QPoint());
    EXPECT_FALSE(underlined(*dialog));

    QTest::mouseMove(link, link->rect().center());
    EXPECT_TRUE(underlined(*dialog));
    QTest::mouseMove(link, link->rect().center() + QPoint(3, 0)); // moving within changes nothing
    EXPECT_TRUE(underlined(*dialog));
    QTest::mouseMove(dialog.get(), outside);
    EXPECT_FALSE(underlined(*dialog));
    QTest::mouseMove(link, link->rect().center());
    EXPECT_TRUE(underlined(*dialog));
    QLabel* intro = label(*dialog, "lblInfo6"); // onto another control: the link was left
    QTest::mouseMove(intro, intro->rect().center());
    EXPECT_FALSE(underlined(*dialog));
}

TEST_F(InfoDialogTest, LinkAndLogoOpenTheirAddresses)
{
    auto dialog = shown();
    QTest::mouseClick(label(*dialog, "lblWeb"), Qt::LeftButton);
    QTest::mouseClick(label(*dialog, "imgLogo"), Qt::LeftButton);
    QTest::mouseClick(label(*dialog, "lblInfo6"), Qt::LeftButton); // not a link
    QTest::mouseClick(label(*dialog, "lblWeb"), Qt::RightButton);
    EXPECT_EQ(shell.opened,
              (std::vector<std::string>{"https://zelvant.example/produkt", "https://zelvant.example"}));
}

TEST_F(InfoDialogTest, RefusedLinkOpensNothingAndKeepsTheDialog)
{
    shell.refuse = true;
    auto dialog = shown();
    QTest::mouseClick(label(*dialog, "lblWeb"), Qt::LeftButton);
    QTest::mouseClick(label(*dialog, "imgLogo"), Qt::LeftButton);
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), dialog.get()); // and no message box came up
}

TEST_F(InfoDialogTest, OkClosesTheDialog)
{
    auto dialog = shown();
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Zelvant Info");
    EXPECT_TRUE(dialog->findChild<QPushButton*>("cmdOK")->isDefault());
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(InfoDialogTest, OpensModallyJustBelowAndRightOfItsOwner)
{
    QWidget owner;
    owner.resize(740, 512);
    owner.move(100, 80);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    QPoint placed;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<InfoDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        placed = dialog->pos();
        modal = dialog->isModal();
        dialog->findChild<QPushButton*>("cmdOK")->click();
    });
    InfoDialog::showOver(&owner, shell);
    EXPECT_EQ(placed, owner.pos() + QPoint(20, 20));
    EXPECT_TRUE(modal);
}

TEST_F(InfoDialogTest, Screenshots)
{
    const QString folder = qEnvironmentVariable("ZELVANT_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ZELVANT_SCREENSHOTS to a folder to take screenshots";
    auto dialog = shown();
    EXPECT_TRUE(dialog->grab().save(QDir(folder).filePath("info.png")));
    QLabel* link = label(*dialog, "lblWeb");
    QTest::mouseMove(link, link->rect().center());
    EXPECT_TRUE(dialog->grab().save(QDir(folder).filePath("info-link.png")));
}

} // namespace
} // namespace zelvant
