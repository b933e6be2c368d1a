<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AddSettingView</name>
    <message>
        <source>The local folder &quot;%1&quot; &lt;ul&gt;&lt;li&gt;is already synchronized&lt;/li&gt;&lt;li&gt;or contains a folder which is synchronized&lt;/li&gt;&lt;li&gt;or is within a folder which is synchronized&lt;/li&gt;&lt;/ul&gt;with the file safe &lt;b&gt;&quot;%2&quot;&lt;/b&gt; used by &lt;b&gt;yourself&lt;/b&gt;. </source>
        <translation>Der lokale Ordner „%1“ &lt;ul&gt;&lt;li&gt;wird bereits synchronisiert&lt;/li&gt;&lt;li&gt;oder enthält einen Ordner, der synchronisiert wird&lt;/li&gt;&lt;li&gt;oder liegt in einem Ordner, der synchronisiert wird&lt;/li&gt;&lt;/ul&gt;und zwar mit dem Dateisafe &lt;b&gt;„%2“&lt;/b&gt;, den Sie &lt;b&gt;selbst&lt;/b&gt; verwenden. </translation>
    </message>
    <message>
        <source>The local folder &quot;%1&quot; &lt;ul&gt;&lt;li&gt;is already synchronized&lt;/li&gt;&lt;li&gt;or contains a folder which is synchronized&lt;/li&gt;&lt;li&gt;or is within a folder which is synchronized&lt;/li&gt;&lt;/ul&gt;with the file safe &lt;b&gt;&quot;%2&quot;&lt;/b&gt; used by ${SERVICE_NAME} user &lt;b&gt;&quot;%3&quot;&lt;/b&gt;. </source>
        <translation>Der lokale Ordner „%1“ &lt;ul&gt;&lt;li&gt;wird bereits synchronisiert&lt;/li&gt;&lt;li&gt;oder enthält einen Ordner, der synchronisiert wird&lt;/li&gt;&lt;li&gt;oder liegt in einem Ordner, der synchronisiert wird&lt;/li&gt;&lt;/ul&gt;und zwar mit dem Dateisafe &lt;b&gt;„%2“&lt;/b&gt; des ${SERVICE_NAME}-Benutzers &lt;b&gt;„%3“&lt;/b&gt;. </translation>
    </message>
    <message>
        <source>&lt;br/&gt;&lt;br/&gt;Do you want to replace that synchronization setting?</source>
        <translation>&lt;br/&gt;&lt;br/&gt;Möchten Sie diese Synchronisierungseinstellung ersetzen?</translation>
    </message>
    <message>
        <source>Folder already used!</source>
        <translation>Ordner wird bereits verwendet!</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Failed to remove settings for filesafe %1</source>
        <translation>Die Einstellungen für den Dateisafe %1 konnten nicht entfernt werden</translation>
    </message>
    <message>
        <source>The local folder does not exist:
    %1
Create it?</source>
        <translation>Der lokale Ordner existiert nicht:
    %1
Soll er angelegt werden?</translation>
    </message>
    <message>
        <source>Cannot create folder:
%1</source>
        <translation>Der Ordner kann nicht angelegt werden:
%1</translation>
    </message>
    <message>
        <source>Folder already synchronized</source>
        <translation>Ordner wird bereits synchronisiert</translation>
    </message>
    <message>
        <source>&lt;br/&gt;&lt;br/&gt;Please choose a different folder.</source>
        <translation>&lt;br/&gt;&lt;br/&gt;Bitte wählen Sie einen anderen Ordner.</translation>
    </message>
    <message>
        <source>Failed to remove synchronization setting for filesafe &quot;%1&quot;</source>
        <translation>Die Synchronisierungseinstellung für den Dateisafe „%1“ konnte nicht entfernt werden</translation>
    </message>
    <message>
        <source>The local folder does not exist:&lt;br/&gt;    %1&lt;br/&gt;&lt;br/&gt;Create it?</source>
        <translation>Der lokale Ordner existiert nicht:&lt;br/&gt;    %1&lt;br/&gt;&lt;br/&gt;Soll er angelegt werden?</translation>
    </message>
    <message>
        <source>Cannot create folder:&lt;br/&gt;%1</source>
        <translation>Der Ordner kann nicht angelegt werden:&lt;br/&gt;%1</translation>
    </message>
    <message>
        <source>Choose...</source>
        <translation>Auswählen …</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen …</translation>
    </message>
    <message>
        <source>Synchronize automatically</source>
        <translation>Automatisch synchronisieren</translation>
    </message>
    <message>
        <source>Add a synchronized folder</source>
        <translation>Synchronisierten Ordner hinzufügen</translation>
    </message>
    <message>
        <source>File safes</source>
        <translation>Dateisafes</translation>
    </message>
    <message>
        <source>File safe</source>
        <translation>Dateisafe</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Folder in the file safe</source>
        <translation>Ordner im Dateisafe</translation>
    </message>
    <message>
        <source>Choose the folder in the file safe</source>
        <translation>Ordner im Dateisafe auswählen</translation>
    </message>
    <message>
        <source>Local folder</source>
        <translation>Lokaler Ordner</translation>
    </message>
    <message>
        <source>Choose the local folder</source>
        <translation>Lokalen Ordner auswählen</translation>
    </message>
    <message>
        <source>Folder in the safe:</source>
        <translation>Ordner im Safe:</translation>
    </message>
    <message>
        <source>Local folder:</source>
        <translation>Lokaler Ordner:</translation>
    </message>
    <message>
        <source>Choose the file safe to synchronize:</source>
        <translation>Wählen Sie den Dateisafe, der synchronisiert werden soll:</translation>
    </message>
    <message>
        <source>Select local folder to synchronize</source>
        <translation>Lokalen Ordner zum Synchronisieren auswählen</translation>
    </message>
    <message>
        <source>An encrypted folder must be empty when it is set up:
%1</source>
        <translation>Ein verschlüsselter Ordner muss beim Einrichten leer sein:
%1</translation>
    </message>
    <message>
        <source>Keep the local copies encrypted on this computer</source>
        <translation>Die lokalen Kopien auf diesem Computer verschlüsselt aufbewahren</translation>
    </message>
    <message>
        <source>The files are stored encrypted; a drive shows them in the folder while ${APP_NAME} runs. The folder must be empty.</source>
        <translation>Die Dateien werden verschlüsselt gespeichert; solange ${APP_NAME} läuft, zeigt ein Laufwerk sie im Ordner. Der Ordner muss leer sein.</translation>
    </message>
    <message>
        <source>No key could be made for the encrypted folder.</source>
        <translation>Für den verschlüsselten Ordner konnte kein Schlüssel erzeugt werden.</translation>
    </message>
</context>
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
    <name>DebugDialog</name>
    <message>
        <source>Ignore TLS errors (insecure)</source>
        <translation>TLS-Fehler ignorieren (unsicher)</translation>
    </message>
    <message>
        <source>Debug settings</source>
        <translation>Debug-Einstellungen</translation>
    </message>
    <message>
        <source>Server URL:</source>
        <translation>Server-URL:</translation>
    </message>
    <message>
        <source>The server URL takes effect at the next login; ignoring TLS errors at once.</source>
        <translation>Die Server-URL gilt ab der nächsten Anmeldung, das Ignorieren von TLS-Fehlern sofort.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an http(s) address.</source>
        <translation>„%1“ ist keine http(s)-Adresse.</translation>
    </message>
</context>
<context>
    <name>FileManager</name>
    <message>
        <source>Show &apos;%1&apos; in Explorer</source>
        <translation>„%1“ im Explorer zeigen</translation>
    </message>
    <message>
        <source>Show &apos;%1&apos; in Finder</source>
        <translation>„%1“ im Finder zeigen</translation>
    </message>
    <message>
        <source>Show &apos;%1&apos; in File Manager</source>
        <translation>„%1“ im Dateimanager zeigen</translation>
    </message>
</context>
<context>
    <name>FileSyncSettingsView</name>
    <message>
        <source>Administrator</source>
        <translation>Administrator</translation>
    </message>
    <message>
        <source>Editor</source>
        <translation>Bearbeiter</translation>
    </message>
    <message>
        <source>Restricted Viewer</source>
        <translation>Eingeschränkter Betrachter</translation>
    </message>
    <message>
        <source>Viewer</source>
        <translation>Betrachter</translation>
    </message>
    <message>
        <source>Synchronized Folders</source>
        <translation>Synchronisierte Ordner</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Role:</source>
        <translation>Rolle:</translation>
    </message>
    <message>
        <source>Synchronize automatically</source>
        <translation>Automatisch synchronisieren</translation>
    </message>
    <message>
        <source>Local folder:</source>
        <translation>Lokaler Ordner:</translation>
    </message>
    <message>
        <source>File safe:</source>
        <translation>Dateisafe:</translation>
    </message>
    <message>
        <source>Folder in the safe:</source>
        <translation>Ordner im Safe:</translation>
    </message>
    <message>
        <source>Add Setting</source>
        <translation>Einstellung hinzufügen</translation>
    </message>
    <message>
        <source>Sync</source>
        <translation>Synchronisieren</translation>
    </message>
    <message>
        <source>Synchronize this folder now ...</source>
        <translation>Diesen Ordner jetzt synchronisieren …</translation>
    </message>
    <message>
        <source>Delete Setting</source>
        <translation>Einstellung löschen</translation>
    </message>
    <message>
        <source>Remove all ...</source>
        <translation>Alle entfernen …</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Do you want to remove
    %1
from the list of synchronized folders?</source>
        <translation>Möchten Sie
    %1
aus der Liste der synchronisierten Ordner entfernen?</translation>
    </message>
    <message>
        <source>Unable to remove sync folder</source>
        <translation>Synchronisierter Ordner kann nicht entfernt werden</translation>
    </message>
    <message>
        <source>The folder %1 couldn&apos;t be removed! Please try again</source>
        <translation>Der Ordner %1 konnte nicht entfernt werden! Bitte versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>&lt;b&gt;Clear list of synchronized folders&lt;/b&gt;&lt;br/&gt;&lt;br/&gt;The contents of the synchronized folders will not be deleted. No folder will be synchronized anymore. &lt;br/&gt;&lt;br/&gt;Do you want to clear the list of synchronized folders?</source>
        <translation>&lt;b&gt;Liste der synchronisierten Ordner leeren&lt;/b&gt;&lt;br/&gt;&lt;br/&gt;Der Inhalt der synchronisierten Ordner wird nicht gelöscht. Kein Ordner wird mehr synchronisiert. &lt;br/&gt;&lt;br/&gt;Möchten Sie die Liste der synchronisierten Ordner leeren?</translation>
    </message>
    <message>
        <source>Unable to remove synchronized folders</source>
        <translation>Synchronisierte Ordner können nicht entfernt werden</translation>
    </message>
    <message>
        <source>Failed to remove he following folder from the list of synchronized folders:&lt;br/&gt;&lt;br/&gt;%1</source>
        <translation>Folgende Ordner konnten nicht aus der Liste der synchronisierten Ordner entfernt werden:&lt;br/&gt;&lt;br/&gt;%1</translation>
    </message>
</context>
<context>
    <name>GlobalActions</name>
    <message>
        <source>Syncing ...</source>
        <translation>Synchronisiert …</translation>
    </message>
    <message>
        <source>Synchronisation with errors</source>
        <translation>Synchronisierung mit Fehlern</translation>
    </message>
    <message>
        <source>Synchronisation successful</source>
        <translation>Synchronisierung erfolgreich</translation>
    </message>
    <message numerus="yes">
        <source>%n change(s) in your ${SERVICE_NAME}</source>
        <translation>
            <numerusform>%n Änderung in Ihrem ${SERVICE_NAME}</numerusform>
            <numerusform>%n Änderungen in Ihrem ${SERVICE_NAME}</numerusform>
        </translation>
    </message>
    <message>
        <source>Logout will interrupt the synchronization process.</source>
        <translation>Die Abmeldung unterbricht die Synchronisierung.</translation>
    </message>
    <message>
        <source>Logout?</source>
        <translation>Abmelden?</translation>
    </message>
    <message>
        <source>Quitting will interrupt the synchronization process.</source>
        <translation>Das Beenden unterbricht die Synchronisierung.</translation>
    </message>
    <message>
        <source>Quit?</source>
        <translation>Beenden?</translation>
    </message>
    <message>
        <source>Do you really want to proceed?</source>
        <translation>Möchten Sie wirklich fortfahren?</translation>
    </message>
    <message>
        <source>Show ${APP_NAME}</source>
        <translation>${APP_NAME} anzeigen</translation>
    </message>
    <message>
        <source>About ${APP_NAME}</source>
        <translation>Über ${APP_NAME}</translation>
    </message>
    <message>
        <source>${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}</source>
        <translation>${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Logout</source>
        <translation>Abmelden</translation>
    </message>
    <message>
        <source>Sync All</source>
        <translation>Alle synchronisieren</translation>
    </message>
    <message>
        <source>Cancel Sync</source>
        <translation>Synchronisierung abbrechen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>File Sync Activities</source>
        <translation>Dateisynchronisierungen</translation>
    </message>
    <message>
        <source>Show Log</source>
        <translation>Protokoll anzeigen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>${URL_HELP}</source>
        <translation>${URL_HELP}</translation>
    </message>
    <message>
        <source>Quit ${APP_NAME}</source>
        <translation>${APP_NAME} beenden</translation>
    </message>
    <message>
        <source>Password Safe</source>
        <translation>Passwortsafe</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <extracomment>The application&apos;s menu, called &quot;Ablage&quot; on macOS and &quot;Datei&quot; on Windows in German.</extracomment>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&lt;b&gt;${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}&lt;/b&gt;&lt;br/&gt;Your files, in step with your ${SERVICE_NAME} file safes.</source>
        <translation>&lt;b&gt;${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}&lt;/b&gt;&lt;br/&gt;Ihre Dateien, stets abgeglichen mit Ihren ${SERVICE_NAME}-Dateisafes.</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Already logged in</source>
        <translation>Bereits angemeldet</translation>
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
    <name>LoginFailureText</name>
    <message>
        <source>More &amp;gt;</source>
        <translation>Mehr &amp;gt;</translation>
    </message>
    <message>
        <source>Internal error.</source>
        <translation>Interner Fehler.</translation>
    </message>
    <message>
        <source>Unable to connect to ${SERVICE_NAME}.</source>
        <translation>Keine Verbindung zu ${SERVICE_NAME}.</translation>
    </message>
    <message>
        <source>Timeout while contacting ${SERVICE_NAME}.</source>
        <translation>Zeitüberschreitung bei der Verbindung zu ${SERVICE_NAME}.</translation>
    </message>
    <message>
        <source>Unable to connect to the Internet.</source>
        <translation>Keine Verbindung zum Internet.</translation>
    </message>
    <message>
        <source>Proxy authentication required.</source>
        <translation>Proxy-Anmeldung erforderlich.</translation>
    </message>
    <message>
        <source>${SERVICE_NAME} service currently not available.</source>
        <translation>Der Dienst ${SERVICE_NAME} ist zurzeit nicht verfügbar.</translation>
    </message>
    <message>
        <source>Client not supported.</source>
        <translation>Client wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>Client outdated.</source>
        <translation>Client ist veraltet.</translation>
    </message>
    <message>
        <source>Invalid username or password</source>
        <translation>Ungültiger Benutzername oder ungültiges Passwort</translation>
    </message>
    <message>
        <source>Login failed</source>
        <translation>Anmeldung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Account is expired.</source>
        <translation>Das Konto ist abgelaufen.</translation>
    </message>
    <message>
        <source>Inheritance executed.</source>
        <translation>Die Erbschaft wurde vollzogen.</translation>
    </message>
    <message>
        <source>Account locked.</source>
        <translation>Das Konto ist gesperrt.</translation>
    </message>
    <message>
        <source>Internal error. &amp;nbsp;&amp;nbsp;</source>
        <translation>Interner Fehler. &amp;nbsp;&amp;nbsp;</translation>
    </message>
</context>
<context>
    <name>LoginView</name>
    <message>
        <source>Log in to ${SERVICE_NAME}</source>
        <translation>Bei ${SERVICE_NAME} anmelden</translation>
    </message>
    <message>
        <source>Please enter the code sent to %1:</source>
        <translation>Bitte geben Sie den an %1 gesendeten Code ein:</translation>
    </message>
    <message>
        <source>User name:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>Show Password</source>
        <translation>Passwort anzeigen</translation>
    </message>
    <message>
        <source>Show Character Codes</source>
        <translation>Zeichencodes anzeigen</translation>
    </message>
    <message>
        <source>Extended login options</source>
        <translation>Erweiterte Anmeldeoptionen</translation>
    </message>
    <message>
        <source>Remember user name</source>
        <translation>Benutzernamen merken</translation>
    </message>
    <message>
        <source>Remember password</source>
        <translation>Passwort merken</translation>
    </message>
    <message>
        <source>Log in automatically at start</source>
        <translation>Beim Start automatisch anmelden</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Sign up</source>
        <translation>Registrieren</translation>
    </message>
    <message>
        <source>Log in</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Please enter the code sent to your mobile phone:</source>
        <translation>Bitte geben Sie den an Ihr Mobiltelefon gesendeten Code ein:</translation>
    </message>
    <message>
        <source>Second-factor code</source>
        <translation>Code des zweiten Faktors</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Logging in ...</source>
        <translation>Anmeldung läuft …</translation>
    </message>
    <message>
        <source>Checking the code ...</source>
        <translation>Code wird geprüft …</translation>
    </message>
    <message>
        <source>The code was not accepted. Please enter the new code.</source>
        <translation>Der Code wurde nicht angenommen. Bitte geben Sie den neuen Code ein.</translation>
    </message>
    <message>
        <source>Check status</source>
        <translation>Status prüfen</translation>
    </message>
    <message>
        <source>Login automatically</source>
        <translation>Automatische Anmeldung</translation>
    </message>
    <message>
        <source>Unable to restore saved password: %1</source>
        <translation>Das gespeicherte Passwort kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>${URL_HELP}</source>
        <translation>${URL_HELP}</translation>
    </message>
    <message>
        <source>${URL_SUBSCRIPTION}</source>
        <translation>${URL_SUBSCRIPTION}</translation>
    </message>
</context>
<context>
    <name>MainView</name>
    <message>
        <source>The password safe is not available in this version.</source>
        <translation>Der Passwortsafe ist in dieser Version nicht verfügbar.</translation>
    </message>
    <message>
        <source>Password Safe</source>
        <translation>Passwortsafe</translation>
    </message>
    <message>
        <source>File Safe</source>
        <translation>Dateisafe</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>${APP_NAME}</source>
        <translation>${APP_NAME}</translation>
    </message>
    <message>
        <source>TLS errors are ignored: the connection to the server is not secure.</source>
        <translation>TLS-Fehler werden ignoriert: Die Verbindung zum Server ist nicht sicher.</translation>
    </message>
    <message>
        <source>Getting Your file safes</source>
        <translation>Ihre Dateisafes werden abgerufen</translation>
    </message>
    <message>
        <source>Timeout</source>
        <translation>Zeitüberschreitung</translation>
    </message>
    <message>
        <source>Connection failed ...</source>
        <translation>Verbindung fehlgeschlagen …</translation>
    </message>
    <message>
        <source>Your ${APP_NAME} ${APP_VERSION} is not supported anymore.</source>
        <translation>Ihr ${APP_NAME} ${APP_VERSION} wird nicht mehr unterstützt.</translation>
    </message>
    <message>
        <source>Synchronization failed: There is not enough free space in your ${SERVICE_NAME} &apos;%1&apos;. Please delete some documents or upgrade your ${SERVICE_NAME}.</source>
        <translation>Synchronisierung fehlgeschlagen: In Ihrem ${SERVICE_NAME} „%1“ ist nicht genug Platz frei. Bitte löschen Sie einige Dokumente oder erweitern Sie Ihr ${SERVICE_NAME}.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; was not synchronized: the folder %2 is missing or cannot be read.</source>
        <translation>&apos;%1&apos; wurde nicht synchronisiert: Der Ordner %2 fehlt oder ist nicht lesbar.</translation>
    </message>
</context>
<context>
    <name>OndoApplication</name>
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
    <name>RemoteFolderDialog</name>
    <message>
        <source>Choose a folder in &quot;%1&quot;</source>
        <translation>Ordner in „%1“ auswählen</translation>
    </message>
    <message>
        <source>Folders of the file safe</source>
        <translation>Ordner des Dateisafes</translation>
    </message>
    <message>
        <source>Create Folder</source>
        <translation>Ordner anlegen</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Folder name</source>
        <translation>Ordnername</translation>
    </message>
    <message>
        <source>Folder creation</source>
        <translation>Ordner anlegen</translation>
    </message>
    <message>
        <source>A folder name cannot contain &quot;/&quot; or be &quot;.&quot; or &quot;..&quot;.</source>
        <translation>Ein Ordnername darf kein „/“ enthalten und nicht „.“ oder „..“ lauten.</translation>
    </message>
    <message>
        <source>Folder could not been created.</source>
        <translation>Der Ordner konnte nicht angelegt werden.</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Ask before a sync deletes many files in a file safe</source>
        <translation>Nachfragen, bevor eine Synchronisierung viele Dateien in einem Dateisafe löscht</translation>
    </message>
    <message>
        <source>Log in automatically at start</source>
        <translation>Beim Start automatisch anmelden</translation>
    </message>
    <message>
        <source>Start ${APP_NAME} when I log in to this computer</source>
        <translation>${APP_NAME} beim Anmelden an diesem Computer starten</translation>
    </message>
    <message>
        <source>Start minimized (only the tray icon)</source>
        <translation>Minimiert starten (nur das Symbol im Infobereich)</translation>
    </message>
    <message>
        <source>WiFi settings...</source>
        <translation>WLAN-Einstellungen …</translation>
    </message>
    <message>
        <source> min</source>
        <translation> Min.</translation>
    </message>
    <message>
        <source>File Sync Activities</source>
        <translation>Dateisynchronisierungen</translation>
    </message>
    <message>
        <source>Change local default ${APP_NAME} folder...</source>
        <translation>Lokalen ${APP_NAME}-Standardordner ändern …</translation>
    </message>
    <message>
        <source>Synchronisation</source>
        <translation>Synchronisierung</translation>
    </message>
    <message>
        <source>Synchronize every:</source>
        <translation>Synchronisieren alle:</translation>
    </message>
    <message>
        <source>Default folder:</source>
        <translation>Standardordner:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Select the default folder</source>
        <translation>Standardordner auswählen</translation>
    </message>
    <message>
        <source>Start on login</source>
        <translation>Start bei der Anmeldung</translation>
    </message>
    <message>
        <source>The start-on-login entry cannot be changed:
%1</source>
        <translation>Der Eintrag für den Start bei der Anmeldung kann nicht geändert werden:
%1</translation>
    </message>
</context>
<context>
    <name>StatusBarView</name>
    <message>
        <source>Sync successful</source>
        <translation>Synchronisierung erfolgreich</translation>
    </message>
    <message>
        <source>Sync canceled</source>
        <translation>Synchronisierung abgebrochen</translation>
    </message>
    <message>
        <source>Sync failed</source>
        <translation>Synchronisierung fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source> (%1 of %2 MB)</source>
        <translation> (%1 von %2 MB)</translation>
    </message>
    <message>
        <source> (%1 of %2 KB)</source>
        <translation> (%1 von %2 KB)</translation>
    </message>
    <message>
        <source>Last synchronisation: </source>
        <translation>Letzte Synchronisierung: </translation>
    </message>
    <message>
        <source>Last sync: </source>
        <translation>Letzte Synchronisierung: </translation>
    </message>
    <message>
        <source>${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}</source>
        <translation>${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}</translation>
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
    <name>SyncAction</name>
    <message>
        <source>Undefined</source>
        <translation>Undefiniert</translation>
    </message>
    <message>
        <source>The syncronization status of this file or folder is undefined.</source>
        <translation>Der Synchronisierungsstatus dieser Datei oder dieses Ordners ist undefiniert.</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Synchronization of this file or folder was successful.</source>
        <translation>Die Synchronisierung dieser Datei oder dieses Ordners war erfolgreich.</translation>
    </message>
    <message>
        <source>To do</source>
        <translation>Ausstehend</translation>
    </message>
    <message>
        <source>This file or folder needs to be synchronized.</source>
        <translation>Diese Datei oder dieser Ordner muss synchronisiert werden.</translation>
    </message>
    <message>
        <source>Syncing</source>
        <translation>Synchronisiert</translation>
    </message>
    <message>
        <source>Synchronizing...</source>
        <translation>Synchronisiert …</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Unexpected error [code: %1]</source>
        <translation>Unerwarteter Fehler [Code: %1]</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>The file or folder will not be synchronized.</source>
        <translation>Die Datei oder der Ordner wird nicht synchronisiert.</translation>
    </message>
    <message>
        <source>The file or folder will not be synchronized because its name contains a problematic character.</source>
        <translation>Die Datei oder der Ordner wird nicht synchronisiert, weil der Name ein problematisches Zeichen enthält.</translation>
    </message>
    <message>
        <source>The file will not be synchronized because its name is too long. Maximum length is %1 characters.</source>
        <translation>Die Datei wird nicht synchronisiert, weil ihr Name zu lang ist. Die maximale Länge beträgt %1 Zeichen.</translation>
    </message>
    <message>
        <source>The folder will not be synchronized because its name is too long. Maximum length is %1 characters.</source>
        <translation>Der Ordner wird nicht synchronisiert, weil sein Name zu lang ist. Die maximale Länge beträgt %1 Zeichen.</translation>
    </message>
    <message>
        <source>The object will not be synchronized because it is too deep in folder structure.</source>
        <translation>Das Objekt wird nicht synchronisiert, weil es zu tief in der Ordnerstruktur liegt.</translation>
    </message>
    <message>
        <source>Resolved</source>
        <translation>Aufgelöst</translation>
    </message>
    <message>
        <source>Possible conflict detected. A backup-copy of your local file marked &apos;conflicted copy&apos; has been created and stored in the same folder. To resolve the conflict, please check the two files.</source>
        <translation>Möglicher Konflikt erkannt. Eine Sicherungskopie Ihrer lokalen Datei mit der Kennzeichnung „conflicted copy“ wurde im selben Ordner abgelegt. Bitte prüfen Sie die beiden Dateien, um den Konflikt aufzulösen.</translation>
    </message>
    <message>
        <source>Checksum error</source>
        <translation>Prüfsummenfehler</translation>
    </message>
    <message>
        <source>Failed to read the checksum of the remote file.</source>
        <translation>Die Prüfsumme der entfernten Datei konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Internal error</source>
        <translation>Interner Fehler</translation>
    </message>
    <message>
        <source>An internal error has occurred.</source>
        <translation>Ein interner Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>Type mismatch</source>
        <translation>Typkonflikt</translation>
    </message>
    <message>
        <source>A file cannot be synchronized with a folder.</source>
        <translation>Eine Datei kann nicht mit einem Ordner synchronisiert werden.</translation>
    </message>
    <message>
        <source>Failed to calculate the checksum of the local file.</source>
        <translation>Die Prüfsumme der lokalen Datei konnte nicht berechnet werden.</translation>
    </message>
    <message>
        <source>Invalid name</source>
        <translation>Ungültiger Name</translation>
    </message>
    <message>
        <source>The file name is invalid. It might contain illegal characters.</source>
        <translation>Der Dateiname ist ungültig. Er enthält möglicherweise unzulässige Zeichen.</translation>
    </message>
    <message>
        <source>The folder name is invalid. It might contain illegal characters.</source>
        <translation>Der Ordnername ist ungültig. Er enthält möglicherweise unzulässige Zeichen.</translation>
    </message>
    <message>
        <source>Attribute error</source>
        <translation>Attributfehler</translation>
    </message>
    <message>
        <source>Failed to read the local file&apos;s last modification time.</source>
        <translation>Die letzte Änderungszeit der lokalen Datei konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Failed to read the remote file&apos;s last modification time.</source>
        <translation>Die letzte Änderungszeit der entfernten Datei konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Failed to get the local file&apos;s modification time.</source>
        <translation>Die Änderungszeit der lokalen Datei konnte nicht ermittelt werden.</translation>
    </message>
    <message>
        <source>Failed to get the remote file&apos;s modification time.</source>
        <translation>Die Änderungszeit der entfernten Datei konnte nicht ermittelt werden.</translation>
    </message>
    <message>
        <source>Attribute conflict</source>
        <translation>Attributkonflikt</translation>
    </message>
    <message>
        <source>Conflict: Cannot decide how to synchronize this file.</source>
        <translation>Konflikt: Es lässt sich nicht entscheiden, wie diese Datei synchronisiert werden soll.</translation>
    </message>
    <message>
        <source>Name too long</source>
        <translation>Name zu lang</translation>
    </message>
    <message>
        <source>The file name is too long. Maximum length is %1 characters.</source>
        <translation>Der Dateiname ist zu lang. Die maximale Länge beträgt %1 Zeichen.</translation>
    </message>
    <message>
        <source>The folder name is too long. Maximum length is %1 characters.</source>
        <translation>Der Ordnername ist zu lang. Die maximale Länge beträgt %1 Zeichen.</translation>
    </message>
    <message>
        <source>Settings Error</source>
        <translation>Einstellungsfehler</translation>
    </message>
    <message>
        <source>The file or folder is not in a sychronized folder. Please check the sync settings.</source>
        <translation>Die Datei oder der Ordner liegt nicht in einem synchronisierten Ordner. Bitte prüfen Sie die Synchronisierungseinstellungen.</translation>
    </message>
    <message>
        <source>File is too big to synchronize. Maximum size is %1 MB.</source>
        <translation>Die Datei ist zu groß zum Synchronisieren. Die maximale Größe beträgt %1 MB.</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Failed to create the folder.</source>
        <translation>Der Ordner konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Failed to delete the folder.</source>
        <translation>Der Ordner konnte nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>The folder already exists.</source>
        <translation>Der Ordner existiert bereits.</translation>
    </message>
    <message>
        <source>The folder is missing.</source>
        <translation>Der Ordner fehlt.</translation>
    </message>
    <message>
        <source>The parent folder is missing.</source>
        <translation>Der übergeordnete Ordner fehlt.</translation>
    </message>
    <message>
        <source>Failed to create the remote folder.</source>
        <translation>Der entfernte Ordner konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Failed to delete the remote folder.</source>
        <translation>Der entfernte Ordner konnte nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>Failed to upload the file.</source>
        <translation>Die Datei konnte nicht hochgeladen werden.</translation>
    </message>
    <message>
        <source>Failed to update the file.</source>
        <translation>Die Datei konnte nicht aktualisiert werden.</translation>
    </message>
    <message>
        <source>Failed to download the file.</source>
        <translation>Die Datei konnte nicht heruntergeladen werden.</translation>
    </message>
    <message>
        <source>Failed to delete the file.</source>
        <translation>Die Datei konnte nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>Failed to backup the file.</source>
        <translation>Die Datei konnte nicht gesichert werden.</translation>
    </message>
    <message>
        <source>The file already exists.</source>
        <translation>Die Datei existiert bereits.</translation>
    </message>
    <message>
        <source>The file is missing.</source>
        <translation>Die Datei fehlt.</translation>
    </message>
    <message>
        <source>Failed to read file.</source>
        <translation>Die Datei konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Failed to delete the remote file.</source>
        <translation>Die entfernte Datei konnte nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>Failed to delete the local file.</source>
        <translation>Die lokale Datei konnte nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>Quota exceeded</source>
        <translation>Speicherplatz erschöpft</translation>
    </message>
    <message>
        <source>This operation would exceed the available storage quota.</source>
        <translation>Dieser Vorgang würde den verfügbaren Speicherplatz überschreiten.</translation>
    </message>
    <message>
        <source>The remote destination filesafe does not exist.</source>
        <translation>Der entfernte Ziel-Dateisafe existiert nicht.</translation>
    </message>
    <message>
        <source>The remote destination folder does not exist.</source>
        <translation>Der entfernte Zielordner existiert nicht.</translation>
    </message>
    <message>
        <source>Not allowed</source>
        <translation>Nicht erlaubt</translation>
    </message>
    <message>
        <source>Download the file is not allowed.</source>
        <translation>Das Herunterladen der Datei ist nicht erlaubt.</translation>
    </message>
    <message>
        <source>Upload the file is not allowed.</source>
        <translation>Das Hochladen der Datei ist nicht erlaubt.</translation>
    </message>
    <message>
        <source>Update the file is not allowed.</source>
        <translation>Das Aktualisieren der Datei ist nicht erlaubt.</translation>
    </message>
    <message>
        <source>Delete the remote file is not allowed.</source>
        <translation>Das Löschen der entfernten Datei ist nicht erlaubt.</translation>
    </message>
    <message>
        <source>Create the remote folder is not allowed.</source>
        <translation>Das Anlegen des entfernten Ordners ist nicht erlaubt.</translation>
    </message>
    <message>
        <source>Delete the remote folder is not allowed.</source>
        <translation>Das Löschen des entfernten Ordners ist nicht erlaubt.</translation>
    </message>
    <message>
        <source>Failed to get file and folder list.</source>
        <translation>Die Liste der Dateien und Ordner konnte nicht abgerufen werden.</translation>
    </message>
    <message>
        <source>Network error</source>
        <translation>Netzwerkfehler</translation>
    </message>
    <message>
        <source>An network error has occurred.</source>
        <translation>Ein Netzwerkfehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>An error has occurred.</source>
        <translation>Ein Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>undefined</source>
        <translation>undefiniert</translation>
    </message>
    <message>
        <source>resolve</source>
        <translation>auflösen</translation>
    </message>
    <message>
        <source>create local folder</source>
        <translation>lokalen Ordner anlegen</translation>
    </message>
    <message>
        <source>create remote folder</source>
        <translation>Ordner im Safe anlegen</translation>
    </message>
    <message>
        <source>download</source>
        <translation>herunterladen</translation>
    </message>
    <message>
        <source>upload</source>
        <translation>hochladen</translation>
    </message>
    <message>
        <source>delete local file</source>
        <translation>lokale Datei löschen</translation>
    </message>
    <message>
        <source>delete remote file</source>
        <translation>Datei im Safe löschen</translation>
    </message>
    <message>
        <source>delete local folder</source>
        <translation>lokalen Ordner löschen</translation>
    </message>
    <message>
        <source>delete remote folder</source>
        <translation>Ordner im Safe löschen</translation>
    </message>
    <message>
        <source>backup then download</source>
        <translation>sichern, dann herunterladen</translation>
    </message>
    <message>
        <source>invalid [%1]</source>
        <translation>ungültig [%1]</translation>
    </message>
    <message>
        <source>&apos;%1&apos; changed after the synchronization was planned; it is left as it is and synchronized next time</source>
        <translation>&apos;%1&apos; hat sich nach der Planung der Synchronisierung geändert; es bleibt, wie es ist, und wird beim nächsten Mal synchronisiert</translation>
    </message>
    <message>
        <source>Folder already exists: &apos;%1&apos;</source>
        <translation>Ordner existiert bereits: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Missing parent folder: &apos;%1&apos;</source>
        <translation>Übergeordneter Ordner fehlt: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Unable to create folder: &apos;%1&apos;</source>
        <translation>Ordner kann nicht angelegt werden: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Local file to delete not found: &apos;%1&apos;</source>
        <translation>Zu löschende lokale Datei nicht gefunden: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>File to delete is not a file: &apos;%1&apos;</source>
        <translation>Das zu Löschende ist keine Datei: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Unable to delete local file: &apos;%1&apos;</source>
        <translation>Lokale Datei kann nicht gelöscht werden: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Missing folder: &apos;%1&apos;</source>
        <translation>Ordner fehlt: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Unable to delete local folder: &apos;%1&apos; (not empty: &apos;%2&apos;)</source>
        <translation>Lokaler Ordner kann nicht gelöscht werden: &apos;%1&apos; (nicht leer: &apos;%2&apos;)</translation>
    </message>
    <message>
        <source>Unable to delete local folder: &apos;%1&apos; (is empty)</source>
        <translation>Lokaler Ordner kann nicht gelöscht werden: &apos;%1&apos; (ist leer)</translation>
    </message>
    <message>
        <source>Unable to delete local folder: &apos;%1&apos; (contains %2 deletable objects)</source>
        <translation>Lokaler Ordner kann nicht gelöscht werden: &apos;%1&apos; (enthält %2 löschbare Objekte)</translation>
    </message>
    <message>
        <source>File to rename not found: &apos;%1&apos;</source>
        <translation>Umzubenennende Datei nicht gefunden: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Failed to rename file: &apos;%1&apos;</source>
        <translation>Datei konnte nicht umbenannt werden: &apos;%1&apos;</translation>
    </message>
</context>
<context>
    <name>SyncHistoryModel</name>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Safe: Item</source>
        <translation>Safe: Element</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Datum/Uhrzeit</translation>
    </message>
</context>
<context>
    <name>SyncHistoryView</name>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>File Sync Activities</source>
        <translation>Dateisynchronisierungen</translation>
    </message>
    <message>
        <source>Time window</source>
        <translation>Zeitraum</translation>
    </message>
    <message>
        <source>Show today&apos;s activities</source>
        <translation>Heutige Aktivitäten anzeigen</translation>
    </message>
    <message>
        <source>Show yesterday&apos;s activities</source>
        <translation>Gestrige Aktivitäten anzeigen</translation>
    </message>
    <message>
        <source>Show last hour&apos;s activities</source>
        <translation>Aktivitäten der letzten Stunde anzeigen</translation>
    </message>
    <message>
        <source>Show activities</source>
        <translation>Aktivitäten anzeigen</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>To</source>
        <translation>Bis</translation>
    </message>
    <message>
        <source>Sync activities</source>
        <translation>Synchronisierungen</translation>
    </message>
    <message>
        <source>Copy path to clipboard</source>
        <translation>Pfad in die Zwischenablage kopieren</translation>
    </message>
</context>
<context>
    <name>Syncher</name>
    <message>
        <source>Get filesafe information...</source>
        <translation>Informationen zum Dateisafe werden abgerufen …</translation>
    </message>
    <message>
        <source>Load last status ...</source>
        <translation>Letzter Stand wird geladen …</translation>
    </message>
    <message>
        <source>Get remote information...</source>
        <translation>Entfernte Informationen werden abgerufen …</translation>
    </message>
    <message>
        <source>Received remote information</source>
        <translation>Entfernte Informationen empfangen</translation>
    </message>
    <message>
        <source>Load local status ...</source>
        <translation>Lokaler Stand wird geladen …</translation>
    </message>
    <message>
        <source>Objects status loaded.</source>
        <translation>Stand der Objekte geladen.</translation>
    </message>
    <message>
        <source>Build to do list ...</source>
        <translation>Aufgabenliste wird erstellt …</translation>
    </message>
    <message>
        <source>To do list built.</source>
        <translation>Aufgabenliste erstellt.</translation>
    </message>
    <message>
        <source>Synchronizing ...</source>
        <translation>Synchronisiert …</translation>
    </message>
    <message>
        <source>Up to date.</source>
        <translation>Auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>Synchronizing files and folders ...</source>
        <translation>Dateien und Ordner werden synchronisiert …</translation>
    </message>
    <message>
        <source>Create folder skipped</source>
        <translation>Ordner anlegen übersprungen</translation>
    </message>
    <message>
        <source>Create folder denied</source>
        <translation>Ordner anlegen verweigert</translation>
    </message>
    <message>
        <source>Download denied</source>
        <translation>Herunterladen verweigert</translation>
    </message>
    <message>
        <source>Download skipped</source>
        <translation>Herunterladen übersprungen</translation>
    </message>
    <message>
        <source>Upload denied</source>
        <translation>Hochladen verweigert</translation>
    </message>
    <message>
        <source>Upload skipped</source>
        <translation>Hochladen übersprungen</translation>
    </message>
    <message>
        <source>Delete file skipped</source>
        <translation>Datei löschen übersprungen</translation>
    </message>
    <message>
        <source>Delete file denied</source>
        <translation>Datei löschen verweigert</translation>
    </message>
    <message>
        <source>Delete folder skipped</source>
        <translation>Ordner löschen übersprungen</translation>
    </message>
    <message>
        <source>Delete folder denied</source>
        <translation>Ordner löschen verweigert</translation>
    </message>
    <message>
        <source>Failed to download file: &apos;%1&apos;</source>
        <translation>Datei konnte nicht heruntergeladen werden: „%1“</translation>
    </message>
    <message>
        <source>Downloading ...</source>
        <translation>Wird heruntergeladen …</translation>
    </message>
    <message>
        <source>Uploading ...</source>
        <translation>Wird hochgeladen …</translation>
    </message>
    <message>
        <source>Failed to download correctly: &apos;%1&apos;</source>
        <translation>Nicht korrekt heruntergeladen: „%1“</translation>
    </message>
    <message>
        <source>Local backup file created</source>
        <translation>Lokale Sicherungsdatei angelegt</translation>
    </message>
    <message>
        <source>Failed to upload file: &apos;%1&apos;</source>
        <translation>Datei konnte nicht hochgeladen werden: „%1“</translation>
    </message>
    <message>
        <source>Unable to create folder: &apos;%1&apos;</source>
        <translation>Ordner kann nicht angelegt werden: „%1“</translation>
    </message>
    <message>
        <source>Create remote folders ...</source>
        <translation>Entfernte Ordner werden angelegt …</translation>
    </message>
    <message>
        <source>Unable to delete remote folder: &apos;%1&apos;</source>
        <translation>Entfernter Ordner kann nicht gelöscht werden: „%1“</translation>
    </message>
    <message>
        <source>Delete remote folders ...</source>
        <translation>Entfernte Ordner werden gelöscht …</translation>
    </message>
    <message>
        <source>Unable to delete file: &apos;%1&apos;</source>
        <translation>Datei kann nicht gelöscht werden: „%1“</translation>
    </message>
    <message>
        <source>Delete remote files ...</source>
        <translation>Entfernte Dateien werden gelöscht …</translation>
    </message>
    <message>
        <source>Cannot read &apos;%1&apos; in the local folder; nothing is synchronised until it can be read.</source>
        <translation>„%1“ im lokalen Ordner kann nicht gelesen werden; bis es lesbar ist, wird nichts synchronisiert.</translation>
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
<context>
    <name>WifiSettingsDialog</name>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Automatically synchronize on newly discovered wireless networks</source>
        <translation>In neu entdeckten WLAN-Netzen automatisch synchronisieren</translation>
    </message>
    <message>
        <source>WiFi synchronization settings</source>
        <translation>WLAN-Synchronisierungseinstellungen</translation>
    </message>
    <message>
        <source>Wireless networks</source>
        <translation>WLAN-Netze</translation>
    </message>
    <message>
        <source>Automatically synchronize over network?</source>
        <translation>Über dieses Netz automatisch synchronisieren?</translation>
    </message>
    <message>
        <source>Last connected</source>
        <translation>Zuletzt verbunden</translation>
    </message>
</context>
</TS>
