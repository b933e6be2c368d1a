#include "ui/LockedOverlay.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QStyleOption>
#include <QVBoxLayout>

namespace {
constexpr int kFadeMs = 250;
constexpr int kShakeOffset = 25;
constexpr int kShakeSweepMs = 130;
constexpr int kShakeLoops = 4;
} // namespace

LockedOverlay::LockedOverlay(PasswordCheck checkPassword, QWidget *parent)
    : QWidget(parent)
    , m_check(std::move(checkPassword))
    , m_password(new QLineEdit(this))
    , m_opacity(new QGraphicsOpacityEffect(this))
    , m_fade(new QPropertyAnimation(m_opacity, "opacity", this))
    , m_shake(new QPropertyAnimation(m_password, "pos", this))
{
    setObjectName(QStringLiteral("lockedOverlay"));
    setAttribute(Qt::WA_StyledBackground);
    setAutoFillBackground(true);
    auto *prompt = new QLabel(tr("Enter your password to unlock"), this);
    prompt->setObjectName(QStringLiteral("unlockPrompt"));
    prompt->setAlignment(Qt::AlignCenter);
    m_password->setObjectName(QStringLiteral("unlockPasswordEdit"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setFixedWidth(240);
    auto *unlock = new QPushButton(tr("Unlock"), this);
    unlock->setObjectName(QStringLiteral("unlockButton"));
    auto *layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(prompt);
    layout->addWidget(m_password, 0, Qt::AlignHCenter);
    layout->addWidget(unlock, 0, Qt::AlignHCenter);
    layout->addStretch(2);

    m_opacity->setOpacity(1.0);
    setGraphicsEffect(m_opacity);
    m_fade->setDuration(kFadeMs);
    connect(m_fade, &QPropertyAnimation::finished, this, [this] {
        if (m_opacity->opacity() <= 0.0)
            hide();
    });
    m_shake->setDuration(kShakeSweepMs);
    m_shake->setLoopCount(kShakeLoops);
    connect(m_shake, &QPropertyAnimation::finished, this, [this] {
        // Back to its place (the layout's), and ready for the next try.
        m_password->move(m_shake->startValue().toPoint() - QPoint(kShakeOffset, 0));
        m_password->blockSignals(false);
        m_password->setReadOnly(false);
        m_password->setFocus();
    });
    connect(m_password, &QLineEdit::returnPressed, this, &LockedOverlay::tryUnlock);
    connect(unlock, &QPushButton::clicked, this, &LockedOverlay::tryUnlock);
    parent->installEventFilter(this);
    setGeometry(parent->rect());
    hide();
}

bool LockedOverlay::isShaking() const
{
    return m_shake->state() == QAbstractAnimation::Running;
}

bool LockedOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void LockedOverlay::paintEvent(QPaintEvent *event)
{
    // Style sheets reach a plain QWidget subclass only through this.
    Q_UNUSED(event)
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void LockedOverlay::fade(qreal to)
{
    m_fade->stop();
    m_fade->setStartValue(m_opacity->opacity());
    m_fade->setEndValue(to);
    m_fade->start();
}

void LockedOverlay::fadeIn()
{
    setGeometry(parentWidget()->rect());
    if (!isVisible())
        m_opacity->setOpacity(0.0);
    show();
    raise();
    m_password->clear();
    m_password->setFocus();
    fade(1.0);
}

void LockedOverlay::fadeOut()
{
    m_password->clear();
    fade(0.0);
}

void LockedOverlay::tryUnlock()
{
    if (isShaking())
        return;
    const QString typed = m_password->text();
    m_password->clear();
    if (m_check && m_check(typed)) {
        emit unlocked();
        fadeOut();
        return;
    }
    shake();
}

void LockedOverlay::shake()
{
    const QPoint place = m_password->pos();
    m_password->blockSignals(true);
    m_password->setReadOnly(true);
    m_shake->setStartValue(place + QPoint(kShakeOffset, 0));
    m_shake->setEndValue(place - QPoint(kShakeOffset, 0));
    m_shake->start();
}
