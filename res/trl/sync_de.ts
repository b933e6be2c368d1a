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
    <name>MainWindow</name>
    <message>
        <source>Certificate checks are OFF: any server is trusted</source>
        <translation>Zertifikatsprüfung AUS: jedem Server wird vertraut</translation>
    </message>
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
        <source>Cannot start ${APP_NAME}</source>
        <translation>${APP_NAME} kann nicht starten</translation>
    </message>
    <message>
        <source>${APP_NAME} cannot check whether it runs already:&lt;br/&gt;%1</source>
        <translation>${APP_NAME} kann nicht prüfen, ob es bereits läuft:&lt;br/&gt;%1</translation>
    </message>
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
