#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

// The hidden debug dialog (five Alt-clicks on the status bar): a server URL
// of one's own and ignoring TLS errors. Both are kept in the settings
// ("ui/dbg_dialog_server_url", "ui/dbg_dialog_ignore_ssl").
class DebugDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DebugDialog(QWidget *parent = nullptr);

    QString serverUrl() const;
    bool ignoreSslErrors() const;
    // An http(s) URL with a host, cut to scheme, host and port; empty when
    // the text is none.
    static QString cleanServerUrl(const QString &text);

private:
    void save();

    QLineEdit *m_url;
    QCheckBox *m_ignoreSsl;
};
