#pragma once

#include "forms/InfoDialogLogic.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace zelvant {

// The window "Zelvant Info": product name and version, a short description, the maker's logo
// and rights notice, and a link to the product's description page whose underline follows the
// mouse. The logo and the link open their addresses through the shell.
class InfoDialog : public QDialog {
    Q_OBJECT

public:
    explicit InfoDialog(Shell& shell, QWidget* parent = nullptr, std::string logoTag = info::kMakerAddress,
                        std::string linkCaption = info::kProductAddress);

    // Shows the dialog modally, 20 pixels right of and below the owner's top left corner;
    // returns when it has closed.
    static void showOver(QWidget* owner, Shell& shell);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QLabel* label(const char* name, const QString& text);
    QWidget* separator(const char* name);
    void buildLayout();
    void styleLink();
    static bool isClick(QEvent* event, QWidget* widget);

    InfoDialogLogic logic_;
    QLabel* imgTop_;
    QLabel* imgLogo_;
    QLabel* lblWeb_;
    QPushButton* cmdOK_;
};

} // namespace zelvant
