#include "ui/TelvoTwoFactorView.h"

#include "ri/TwoFactorChooser.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QVBoxLayout>

TelvoTwoFactorView::TelvoTwoFactorView(QWidget *parent)
    : QWidget(parent)
    , m_chooser(new TwoFactorChooser(this))
    , m_methods(new QComboBox(this))
    , m_info(new QLabel(this))
    , m_image(new QLabel(this))
    , m_error(new QLabel(this))
    , m_tan(new QLineEdit(this))
    , m_request(new QPushButton(tr("Request TAN"), this))
    , m_submit(new QPushButton(tr("Log in"), this))
    , m_cancel(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("TelvoTwoFactorView"));
    for (const TwoFactorChooser::Entry &entry : m_chooser->entries())
        m_methods->addItem(entry.label);
    m_info->setWordWrap(true);
    // It shows what the server sent (a mobile number, a challenge): text, never markup.
    m_info->setTextFormat(Qt::PlainText);
    m_info->setObjectName(QStringLiteral("tanInfoLabel"));
    m_error->setObjectName(QStringLiteral("tanErrorLabel"));
    m_error->setText(m_chooser->errorText());
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setObjectName(QStringLiteral("tanImage"));
    m_methods->setObjectName(QStringLiteral("tanMethodBox"));
    m_request->setObjectName(QStringLiteral("tanRequestButton"));
    m_submit->setObjectName(QStringLiteral("tanSubmitButton"));
    m_cancel->setObjectName(QStringLiteral("tanCancelButton"));
    m_tan->setObjectName(QStringLiteral("tanInput"));
    m_tan->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9]{0,8}")), m_tan));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_methods);
    layout->addWidget(m_info);
    layout->addWidget(m_image);
    layout->addWidget(m_error);
    auto *row = new QHBoxLayout;
    row->addWidget(m_tan, 1);
    row->addWidget(m_request);
    layout->addLayout(row);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_submit);
    layout->addLayout(buttons);

    connect(m_methods, qOverload<int>(&QComboBox::currentIndexChanged), this, &TelvoTwoFactorView::selectTanMethod);
    connect(m_request, &QPushButton::clicked, this, &TelvoTwoFactorView::requestTanChallenge);
    connect(m_submit, &QPushButton::clicked, this, &TelvoTwoFactorView::submit);
    connect(m_tan, &QLineEdit::returnPressed, this, &TelvoTwoFactorView::submit);
    connect(m_cancel, &QPushButton::clicked, this, &TelvoTwoFactorView::cancel);
    connect(m_chooser, &TwoFactorChooser::requestTanMethod, this, &TelvoTwoFactorView::requestTanMethod);
    connect(m_chooser, &TwoFactorChooser::sendTan, this, &TelvoTwoFactorView::sendTan);
    connect(m_chooser, &TwoFactorChooser::loginAborted, this, &TelvoTwoFactorView::loginAborted);
    connect(m_chooser, &TwoFactorChooser::changed, this, &TelvoTwoFactorView::refresh);
    refresh();
}

void TelvoTwoFactorView::reset()
{
    m_tan->clear();
    m_chooser->reset();
}

void TelvoTwoFactorView::prepareTanForm(bool userError)
{
    m_chooser->prepareTanForm(userError);
}

void TelvoTwoFactorView::setTwoFactorMethods(const TwoFactorMethods &supported2fa)
{
    m_chooser->setTwoFactorMethods(supported2fa);
}

void TelvoTwoFactorView::setSmsReference(const QString &reference)
{
    m_chooser->setSmsReference(reference);
}

void TelvoTwoFactorView::setSmsNumber(const QString &number)
{
    m_chooser->setSmsNumber(number);
}

void TelvoTwoFactorView::setPhotoTan(const QString &photoTan)
{
    m_chooser->setPhotoTan(photoTan);
}

void TelvoTwoFactorView::setITan(const QString &iTan)
{
    m_chooser->setITan(iTan);
}

void TelvoTwoFactorView::requestTanChallenge()
{
    m_chooser->requestTanChallenge();
}

void TelvoTwoFactorView::selectTanMethod(int index)
{
    m_tan->clear();
    m_chooser->selectTanMethod(index);
}

void TelvoTwoFactorView::submit()
{
    if (!m_chooser->formOpen())
        return;
    const QString tan = m_tan->text();
    m_tan->clear();
    m_chooser->submit(tan);
}

void TelvoTwoFactorView::cancel()
{
    m_tan->clear();
    m_chooser->cancel();
}

void TelvoTwoFactorView::refresh()
{
    // The chooser's selection and enabled items, with the combo box's own
    // signals blocked so that showing a state does not act on it.
    const QSignalBlocker block(m_methods);
    if (auto *model = qobject_cast<QStandardItemModel *>(m_methods->model()))
        for (int i = 0; i < model->rowCount(); ++i)
            model->item(i)->setEnabled(m_chooser->isEnabled(i));
    if (m_chooser->currentIndex() >= 0)
        m_methods->setCurrentIndex(m_chooser->currentIndex());
    m_info->setText(m_chooser->infoText());
    const QImage image = m_chooser->image();
    m_image->setVisible(!image.isNull());
    m_image->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    m_error->setVisible(m_chooser->errorVisible());
    m_tan->setEnabled(m_chooser->formOpen());
    m_submit->setEnabled(m_chooser->formOpen());
    const int current = m_chooser->currentIndex();
    m_request->setVisible(current >= 0 && !m_chooser->entries().at(current).requestOnSelect);
}
