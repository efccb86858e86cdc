#include "forms/qt/InfoDialog.h"

#include "forms/qt/Translated.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

// The images live in this library's resources, which a static library has to register itself.
static void loadInfoImages()
{
    Q_INIT_RESOURCE(images);
}

namespace zelvant {
namespace {

// The banner's size; the dialog is as wide as the banner, or wider with its picture drawn larger
// when a larger text needs the room.
constexpr int kDialogWidth = 480;
constexpr int kBannerHeight = 64;
// The wizard's 300 twips at 15 twips per pixel.
constexpr int kOffsetFromOwner = 20;

} // namespace

InfoDialog::InfoDialog(Shell& shell, QWidget* parent, std::string logoTag, std::string linkCaption)
    : QDialog(parent), logic_(shell, std::move(logoTag), std::move(linkCaption))
{
    loadInfoImages();
    setWindowTitle(translated(info::kCaption));
    setModal(true);
    setMouseTracking(true); // movements over the window take the link's underline away

    label("lblInfo4", "")->hide(); // empty, kept for the control order only; outside the layout
    imgTop_ = label("imgTop", "");
    imgTop_->setPixmap(QPixmap(":/zelvant/banner.png"));
    imgTop_->setScaledContents(true);

    imgLogo_ = label("imgLogo", "");
    imgLogo_->setPixmap(QPixmap(":/zelvant/logo.png"));
    imgLogo_->setProperty("tag", QString::fromStdString(logic_.logoTag()));
    imgLogo_->setCursor(Qt::PointingHandCursor);
    imgLogo_->installEventFilter(this);

    lblWeb_ = label("lblWeb", QString::fromStdString(logic_.linkCaption()));
    lblWeb_->setForegroundRole(QPalette::Link);
    lblWeb_->setCursor(Qt::PointingHandCursor);
    lblWeb_->setMouseTracking(true);
    lblWeb_->installEventFilter(this);
    styleLink();

    cmdOK_ = new QPushButton(translated(info::kOkCaption), this);
    cmdOK_->setObjectName("cmdOK");
    cmdOK_->setToolTip(translated(info::kOkToolTip));
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);

    buildLayout();
}

void InfoDialog::showOver(QWidget* owner, Shell& shell)
{
    InfoDialog dialog(shell, owner);
    if (owner)
        dialog.move(owner->pos() + QPoint(kOffsetFromOwner, kOffsetFromOwner));
    dialog.exec();
}

QLabel* InfoDialog::label(const char* name, const QString& text)
{
    auto* created = new QLabel(text, this);
    created->setObjectName(name);
    return created;
}

QWidget* InfoDialog::separator(const char* name)
{
    auto* line = new QFrame(this);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void InfoDialog::buildLayout()
{
    QLabel* title = label("lblInfo1", translated(info::kTitle));
    QFont bigger = title->font();
    bigger.setBold(true);
    bigger.setPointSizeF(bigger.pointSizeF() * 1.3);
    title->setFont(bigger);
    QLabel* description = label("lblInfo2", translated(info::kDescription));
    description->setWordWrap(true);
    QLabel* rights = label("lblInfo3", translated(info::kRights));
    rights->setForegroundRole(QPalette::PlaceholderText);
    QLabel* intro = label("lblInfo6", translated(info::kLinkIntro));

    auto* text = new QVBoxLayout;
    text->setSpacing(6);
    text->addWidget(title);
    text->addWidget(description);
    auto* head = new QHBoxLayout;
    head->setSpacing(16);
    head->addWidget(imgLogo_, 0, Qt::AlignTop);
    head->addLayout(text, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(rights);
    bottom->addStretch();
    bottom->addWidget(cmdOK_);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 16, 20, 16);
    body->setSpacing(10);
    body->addLayout(head);
    body->addWidget(separator("fraSeparatorTop"));
    body->addWidget(intro);
    body->addWidget(lblWeb_);
    body->addWidget(separator("Frame1"));
    body->addLayout(bottom);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(imgTop_);
    layout->addLayout(body);

    // The banner's width, or what the unbroken texts need; the banner keeps its proportions, and the
    // height is what the description takes when wrapped at that width. Nothing changes after this,
    // so the size is fixed.
    const int width = std::max(kDialogWidth, body->minimumSize().width());
    imgTop_->setFixedSize(width, int(std::lround(double(kBannerHeight) * width / kDialogWidth)));
    layout->activate();
    setFixedSize(width, layout->totalHeightForWidth(width));
}

void InfoDialog::styleLink()
{
    QFont font = lblWeb_->font();
    font.setUnderline(logic_.linkUnderlined());
    lblWeb_->setFont(font);
}

bool InfoDialog::isClick(QEvent* event, QWidget* widget)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint());
}

bool InfoDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblWeb_) {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Enter || type == QEvent::MouseMove) && logic_.mouseOverLink())
            styleLink();
        else if (type == QEvent::Leave && logic_.mouseOverForm())
            styleLink();
        else if (isClick(event, lblWeb_))
            logic_.clickLink();
    } else if (watched == imgLogo_ && isClick(event, imgLogo_)) {
        logic_.clickLogo();
    }
    return QDialog::eventFilter(watched, event);
}

void InfoDialog::mouseMoveEvent(QMouseEvent* event)
{
    // Movements the link itself ignores arrive here as well; they do not count as leaving it.
    if (childAt(event->position().toPoint()) != lblWeb_ && logic_.mouseOverForm())
        styleLink();
    QDialog::mouseMoveEvent(event);
}

} // namespace zelvant
