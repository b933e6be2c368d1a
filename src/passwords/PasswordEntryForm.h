#pragma once

#include <QCoreApplication>
#include <QString>

class QFontMetrics;

// The decisions of the entry dialog: its three modes with their titles and
// buttons, the title check, and how a password is cut to fit in view mode.
class PasswordEntryForm
{
    Q_DECLARE_TR_FUNCTIONS(PasswordEntryForm)
public:
    enum Mode { View, Edit, Create };
    enum Button { Copy, Show, Suggest, Open, EditButton, Cancel, Save, SaveAndAddAnother };

    explicit PasswordEntryForm(Mode mode = View)
        : m_mode(mode)
    {
    }
    Mode mode() const { return m_mode; }
    void setMode(Mode mode) { m_mode = mode; }

    QString windowTitle() const;
    bool isEditable() const { return m_mode != View; }
    bool showsButton(Button button) const;

    // The title, without surrounding blanks, must not be empty.
    static bool isTitleValid(const QString &title) { return !title.trimmed().isEmpty(); }
    // View mode: the password whole when it fits in 90 % of the field's
    // width, else its longest head that fits with "... (truncated)".
    static QString truncated(const QString &password, const QFontMetrics &metrics, int fieldWidth);

private:
    Mode m_mode;
};
