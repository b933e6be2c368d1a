<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>BrandingTranslator</name>
    <message>
        <source>This sentence is in English.</source>
        <translation>Dieser Satz ist auf Deutsch.</translation>
    </message>
</context>
<context>
    <name>CreateViewEditPasswordDialog</name>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Suggest</source>
        <translation>Vorschlagen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save and add another</source>
        <translation>Speichern und weiteres hinzufügen</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Web Address</source>
        <translation>Webadresse</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Failed to retrieve password from server!</source>
        <translation>Das Passwort konnte nicht vom Server abgerufen werden!</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Failed to retrieve password from server for editing!</source>
        <translation>Das Passwort konnte zum Bearbeiten nicht vom Server abgerufen werden!</translation>
    </message>
    <message>
        <source>Invalid Data</source>
        <translation>Ungültige Daten</translation>
    </message>
    <message>
        <source>You entered invalid data</source>
        <translation>Sie haben ungültige Daten eingegeben</translation>
    </message>
    <message>
        <source>Unable to save password</source>
        <translation>Das Passwort kann nicht gespeichert werden</translation>
    </message>
    <message>
        <source>Unable to edit password</source>
        <translation>Das Passwort kann nicht geändert werden</translation>
    </message>
    <message>
        <source>The Username field is empty!</source>
        <translation>Das Feld Benutzername ist leer!</translation>
    </message>
    <message>
        <source>Unable to copy username</source>
        <translation>Der Benutzername kann nicht kopiert werden</translation>
    </message>
    <message>
        <source>The Password field is empty!</source>
        <translation>Das Feld Passwort ist leer!</translation>
    </message>
    <message>
        <source>Copied to clipboard</source>
        <translation>In die Zwischenablage kopiert</translation>
    </message>
    <message>
        <source>Unable to copy password</source>
        <translation>Das Passwort kann nicht kopiert werden</translation>
    </message>
    <message>
        <source>The Web Address field is empty!</source>
        <translation>Das Feld Webadresse ist leer!</translation>
    </message>
    <message>
        <source>Unable to open address</source>
        <translation>Die Adresse kann nicht geöffnet werden</translation>
    </message>
</context>
<context>
    <name>LockedOverlay</name>
    <message>
        <source>Enter your password to unlock</source>
        <translation>Geben Sie Ihr Passwort ein, um zu entsperren</translation>
    </message>
    <message>
        <source>Unlock</source>
        <translation>Entsperren</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>${APP_NAME}</source>
        <translation>${APP_NAME}</translation>
    </message>
    <message>
        <source>&lt;h2&gt;${APP_NAME}&lt;/h2&gt;&lt;p&gt;Your files, in step with your ${SERVICE_NAME} file safes.&lt;/p&gt;</source>
        <translation>&lt;h2&gt;${APP_NAME}&lt;/h2&gt;&lt;p&gt;Ihre Dateien, stets abgeglichen mit Ihren ${SERVICE_NAME}-Dateisafes.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>OndoApplication</name>
    <message>
        <source>Open ${APP_NAME}</source>
        <translation>${APP_NAME} öffnen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Check version</source>
        <translation>Version wird geprüft</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Incompatible database version

(current:&apos;%1&apos;, expected:&apos;%2&apos;)</source>
        <translation>Inkompatible Datenbankversion

(aktuell: &apos;%1&apos;, erwartet: &apos;%2&apos;)</translation>
    </message>
    <message>
        <source>Unable to open database (%1)</source>
        <translation>Die Datenbank kann nicht geöffnet werden (%1)</translation>
    </message>
    <message>
        <source>SQL query failure. (%1)</source>
        <translation>Fehler bei einer SQL-Abfrage. (%1)</translation>
    </message>
    <message>
        <source>About to delete a large amount of files</source>
        <translation>Viele Dateien werden gelöscht</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;If you proceed with this synchronisation, you will delete %1 of the files in your online safe &apos;%2&apos;.&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Do you want to proceed?&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Wenn Sie diese Synchronisation fortsetzen, löschen Sie %1 der Dateien in Ihrem Online-Safe &apos;%2&apos;.&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Möchten Sie fortfahren?&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Do not show this dialog in the future</source>
        <translation>Diesen Dialog künftig nicht mehr anzeigen</translation>
    </message>
    <message>
        <source>Client version is up to date</source>
        <translation>Die Version des Programms ist aktuell</translation>
    </message>
    <message>
        <source>Network Problem</source>
        <translation>Netzwerkproblem</translation>
    </message>
    <message>
        <source>Failed to connect to server. 
(HTTP Authentication required)</source>
        <translation>Die Verbindung zum Server ist fehlgeschlagen. 
(HTTP-Anmeldung erforderlich)</translation>
    </message>
    <message>
        <source>The web proxy server &apos;%1&apos; (port: %2 type: %3) requires authentication.</source>
        <translation>Der Web-Proxy-Server &apos;%1&apos; (Port: %2, Typ: %3) verlangt eine Anmeldung.</translation>
    </message>
</context>
<context>
    <name>PasswordController</name>
    <message>
        <source>Retrieving remote password...</source>
        <translation>Passwort wird vom Server abgerufen...</translation>
    </message>
    <message>
        <source>Failed to retrieve password from server!</source>
        <translation>Das Passwort konnte nicht vom Server abgerufen werden!</translation>
    </message>
    <message>
        <source>Password copied to clipboard</source>
        <translation>Passwort in die Zwischenablage kopiert</translation>
    </message>
    <message>
        <source>Unable to copy password</source>
        <translation>Das Passwort kann nicht kopiert werden</translation>
    </message>
    <message>
        <source>Copied to clipboard</source>
        <translation>In die Zwischenablage kopiert</translation>
    </message>
    <message>
        <source>Opening Web Address in browser</source>
        <translation>Webadresse wird im Browser geöffnet</translation>
    </message>
</context>
<context>
    <name>PasswordEntryForm</name>
    <message>
        <source>Password Entry</source>
        <translation>Passworteintrag</translation>
    </message>
    <message>
        <source>Edit password</source>
        <translation>Passwort bearbeiten</translation>
    </message>
    <message>
        <source>Add password</source>
        <translation>Passwort hinzufügen</translation>
    </message>
    <message>
        <source>truncated</source>
        <translation>gekürzt</translation>
    </message>
</context>
<context>
    <name>PasswordListState</name>
    <message>
        <source>Number of passwords: %1</source>
        <translation>Anzahl der Passwörter: %1</translation>
    </message>
    <message>
        <source>Used %1 password of %2 available</source>
        <translation>%1 von %2 verfügbaren Passwörtern belegt</translation>
    </message>
    <message>
        <source>Used %1 passwords of %2 available</source>
        <translation>%1 von %2 verfügbaren Passwörtern belegt</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Web Address</source>
        <translation>Webadresse</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>All fields</source>
        <translation>Alle Felder</translation>
    </message>
</context>
<context>
    <name>PasswordStrength</name>
    <message>
        <source>weak</source>
        <translation>schwach</translation>
    </message>
    <message>
        <source>low</source>
        <translation>gering</translation>
    </message>
    <message>
        <source>medium</source>
        <translation>mittel</translation>
    </message>
    <message>
        <source>good</source>
        <translation>gut</translation>
    </message>
    <message>
        <source>very good</source>
        <translation>sehr gut</translation>
    </message>
</context>
<context>
    <name>PasswordStrengthIndicator</name>
    <message>
        <source>Strength:</source>
        <translation>Stärke:</translation>
    </message>
</context>
<context>
    <name>PasswordsView</name>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Copy Password</source>
        <translation>Passwort kopieren</translation>
    </message>
    <message>
        <source>Copy Username</source>
        <translation>Benutzername kopieren</translation>
    </message>
    <message>
        <source>Open Web Address</source>
        <translation>Webadresse öffnen</translation>
    </message>
    <message>
        <source>Unable to open address</source>
        <translation>Die Adresse kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Failed to retrieve passwords!</source>
        <translation>Die Passwörter konnten nicht abgerufen werden!</translation>
    </message>
    <message>
        <source>Maximum reached</source>
        <translation>Höchstzahl erreicht</translation>
    </message>
    <message>
        <source>You have reached the maximum of %1 passwords.</source>
        <translation>Sie haben die Höchstzahl von %1 Passwörtern erreicht.</translation>
    </message>
    <message>
        <source>No password selected</source>
        <translation>Kein Passwort ausgewählt</translation>
    </message>
    <message>
        <source>Please select the password to be edited!</source>
        <translation>Bitte wählen Sie das zu bearbeitende Passwort aus!</translation>
    </message>
    <message>
        <source>Please select the password to be deleted!</source>
        <translation>Bitte wählen Sie das zu löschende Passwort aus!</translation>
    </message>
    <message>
        <source>Are you sure you want to delete password %1 ?</source>
        <translation>Möchten Sie das Passwort %1 wirklich löschen?</translation>
    </message>
    <message>
        <source>Delete failed</source>
        <translation>Löschen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Unable to delete password</source>
        <translation>Das Passwort kann nicht gelöscht werden</translation>
    </message>
    <message>
        <source>Unable to search passwords</source>
        <translation>Die Passwörter können nicht durchsucht werden</translation>
    </message>
</context>
<context>
    <name>ProxyAuthDialog</name>
    <message>
        <source>Proxy Authentication</source>
        <translation>Proxy-Anmeldung</translation>
    </message>
    <message>
        <source>Proxy Username:</source>
        <translation>Proxy-Benutzername:</translation>
    </message>
    <message>
        <source>Proxy Password:</source>
        <translation>Proxy-Passwort:</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>SSL required</source>
        <translation>SSL erforderlich</translation>
    </message>
    <message>
        <source>${APP_NAME} runs already</source>
        <translation>${APP_NAME} läuft bereits</translation>
    </message>
    <message>
        <source>It seems that ${APP_NAME} runs already&lt;br/&gt;Activating ${APP_NAME} window ...</source>
        <translation>${APP_NAME} scheint bereits zu laufen.&lt;br/&gt;Das Fenster von ${APP_NAME} wird aktiviert ...</translation>
    </message>
    <message>
        <source>Cannot activate ${APP_NAME}</source>
        <translation>${APP_NAME} kann nicht aktiviert werden</translation>
    </message>
    <message>
        <source>Failed to start ${APP_NAME}:&lt;br/&gt;This system does not support OpenSSL.</source>
        <translation>${APP_NAME} konnte nicht gestartet werden:&lt;br/&gt;Dieses System unterstützt OpenSSL nicht.</translation>
    </message>
</context>
<context>
    <name>SuggestPasswordDialog</name>
    <message>
        <source>Lowercase only</source>
        <translation>Nur Kleinbuchstaben</translation>
    </message>
    <message>
        <source>Use numbers</source>
        <translation>Ziffern verwenden</translation>
    </message>
    <message>
        <source>Use special characters</source>
        <translation>Sonderzeichen verwenden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Suggest password</source>
        <translation>Passwort vorschlagen</translation>
    </message>
    <message>
        <source>Memorizable Password</source>
        <translation>Einprägsames Passwort</translation>
    </message>
    <message>
        <source>Random Password</source>
        <translation>Zufälliges Passwort</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Neu erzeugen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
</context>
<context>
    <name>TelvoTwoFactorView</name>
    <message>
        <source>Request TAN</source>
        <translation>TAN anfordern</translation>
    </message>
    <message>
        <source>Log in</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TwoFactorChooser</name>
    <message>
        <source>photoTAN</source>
        <translation>photoTAN</translation>
    </message>
    <message>
        <source>photoTAN is locked for a while after too many wrong TANs. Please try again later or choose another method.</source>
        <translation>photoTAN ist nach zu vielen falschen TANs vorübergehend gesperrt. Bitte versuchen Sie es später erneut oder wählen Sie ein anderes Verfahren.</translation>
    </message>
    <message>
        <source>photoTAN is locked. Please contact the support to unlock it.</source>
        <translation>photoTAN ist gesperrt. Bitte wenden Sie sich an den Support, um es entsperren zu lassen.</translation>
    </message>
    <message>
        <source>photoTAN is not activated for your account.</source>
        <translation>photoTAN ist für Ihr Konto nicht aktiviert.</translation>
    </message>
    <message>
        <source>mobileTAN</source>
        <translation>mobileTAN</translation>
    </message>
    <message>
        <source>mobileTAN is locked for a while after too many wrong TANs. Please try again later or choose another method.</source>
        <translation>mobileTAN ist nach zu vielen falschen TANs vorübergehend gesperrt. Bitte versuchen Sie es später erneut oder wählen Sie ein anderes Verfahren.</translation>
    </message>
    <message>
        <source>mobileTAN is locked. Please contact the support to unlock it.</source>
        <translation>mobileTAN ist gesperrt. Bitte wenden Sie sich an den Support, um es entsperren zu lassen.</translation>
    </message>
    <message>
        <source>mobileTAN is not activated for your account.</source>
        <translation>mobileTAN ist für Ihr Konto nicht aktiviert.</translation>
    </message>
    <message>
        <source>iTAN</source>
        <translation>iTAN</translation>
    </message>
    <message>
        <source>iTAN is locked for a while after too many wrong TANs. Please try again later or choose another method.</source>
        <translation>iTAN ist nach zu vielen falschen TANs vorübergehend gesperrt. Bitte versuchen Sie es später erneut oder wählen Sie ein anderes Verfahren.</translation>
    </message>
    <message>
        <source>iTAN is locked. Please contact the support to unlock it.</source>
        <translation>iTAN ist gesperrt. Bitte wenden Sie sich an den Support, um es entsperren zu lassen.</translation>
    </message>
    <message>
        <source>iTAN is not activated for your account.</source>
        <translation>iTAN ist für Ihr Konto nicht aktiviert.</translation>
    </message>
    <message>
        <source>You have supplied an incorrect TAN.&lt;br/&gt; Please try again.</source>
        <translation>Sie haben eine falsche TAN eingegeben.&lt;br/&gt; Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The TAN was sent to %1. Please enter the TAN in the form field:</source>
        <translation>Die TAN wurde an %1 gesendet. Bitte geben Sie die TAN in das Eingabefeld ein:</translation>
    </message>
    <message>
        <source>Unable to display photoTAN</source>
        <translation>Die photoTAN-Grafik kann nicht angezeigt werden</translation>
    </message>
    <message>
        <source>Please scan the graphic with your photoTAN app or photoTAN device. Then enter the TAN in the form field only if the details displayed on your smartphone or device are correct.</source>
        <translation>Bitte scannen Sie die Grafik mit Ihrer photoTAN-App oder Ihrem photoTAN-Lesegerät. Geben Sie die TAN nur dann in das Eingabefeld ein, wenn die auf Ihrem Smartphone oder Lesegerät angezeigten Angaben stimmen.</translation>
    </message>
    <message>
        <source>Please enter the TAN with the number %1 in the form field:</source>
        <translation>Bitte geben Sie die TAN mit der Nummer %1 in das Eingabefeld ein:</translation>
    </message>
</context>
</TS>
