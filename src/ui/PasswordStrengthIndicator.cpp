#include "ui/PasswordStrengthIndicator.h"

#include "passwords/PasswordStrength.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {
const char kUnlit[] = "#e5e5e5";
}

PasswordStrengthIndicator::PasswordStrengthIndicator(QWidget *parent)
    : QFrame(parent)
    , m_level(new QLabel(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(new QLabel(tr("Strength:"), this));
    m_level->setObjectName(QStringLiteral("strengthLevelLabel"));
    m_level->setTextFormat(Qt::PlainText);
    QFont bold = m_level->font();
    bold.setBold(true);
    m_level->setFont(bold);
    m_level->setMinimumWidth(m_level->fontMetrics().horizontalAdvance(QStringLiteral("very good")) + 8);
    layout->addWidget(m_level);
    for (int i = 0; i < PasswordStrength::Levels; ++i) {
        auto *segment = new QFrame(this);
        segment->setObjectName(QStringLiteral("strengthSegment%1").arg(i));
        segment->setFixedSize(24, 8);
        layout->addWidget(segment);
        m_segments << segment;
    }
    layout->addStretch(1);
    setPassword(QString());
}

QString PasswordStrengthIndicator::levelText() const
{
    return m_level->text();
}

void PasswordStrengthIndicator::setPassword(const QString &text)
{
    m_score = PasswordStrength::score(text);
    m_level->setText(PasswordStrength::levelText(m_score));
    const QString lit = QStringLiteral("background-color: %1").arg(PasswordStrength::levelColour(m_score));
    const QString unlit = QStringLiteral("background-color: %1").arg(QLatin1String(kUnlit));
    for (int i = 0; i < m_segments.size(); ++i)
        m_segments[i]->setStyleSheet(i <= m_score ? lit : unlit);
}
