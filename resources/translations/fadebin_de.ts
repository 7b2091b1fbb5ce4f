<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AccessWarning</name>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
</context>
<context>
    <name>AppTexts</name>
    <message>
        <source>Fadebin is not watching anything: the Downloads folder is set to the root folder. Give Downloads a folder of its own (for example with “xdg-user-dirs-update --set DOWNLOAD ~/Downloads”) and start Fadebin again.</source>
        <translation>Fadebin überwacht nichts: Als Download-Ordner ist das Wurzelverzeichnis eingestellt. Gib Downloads einen eigenen Ordner (zum Beispiel mit „xdg-user-dirs-update --set DOWNLOAD ~/Downloads“) und starte Fadebin neu.</translation>
    </message>
    <message>
        <source>Fadebin is not watching anything: the Downloads folder is set to your home folder (%1). Give Downloads a folder of its own (for example with “xdg-user-dirs-update --set DOWNLOAD ~/Downloads”) and start Fadebin again.</source>
        <translation>Fadebin überwacht nichts: Als Download-Ordner ist dein persönlicher Ordner eingestellt (%1). Gib Downloads einen eigenen Ordner (zum Beispiel mit „xdg-user-dirs-update --set DOWNLOAD ~/Downloads“) und starte Fadebin neu.</translation>
    </message>
    <message>
        <source>Could not open the Fadebin database: %1</source>
        <translation>Die Datenbank von Fadebin lässt sich nicht öffnen: %1</translation>
    </message>
    <message>
        <source>Fadebin has not started</source>
        <translation>Fadebin ist nicht gestartet</translation>
    </message>
    <message>
        <source>not a path</source>
        <translation>kein Pfad</translation>
    </message>
    <message>
        <source>not an absolute path</source>
        <translation>kein absoluter Pfad</translation>
    </message>
    <message>
        <source>not a file&apos;s name (it ends in &quot;.&quot; or &quot;..&quot;)</source>
        <translation>kein Dateiname (endet auf „.“ oder „..“)</translation>
    </message>
    <message>
        <source>Downloads itself and the folders that hold it cannot be timed</source>
        <translation>Downloads selbst und die Ordner darüber bekommen keinen Timer</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>only files in Downloads can be timed</source>
        <translation>nur Dateien in Downloads bekommen einen Timer</translation>
    </message>
    <message>
        <source>it cannot be tracked</source>
        <translation>sie lässt sich nicht verfolgen</translation>
    </message>
    <message>
        <source>only files in Downloads can be restored</source>
        <translation>nur Dateien aus Downloads lassen sich wiederherstellen</translation>
    </message>
    <message>
        <source>Fadebin has nothing of that name in the Trash</source>
        <translation>Fadebin hat nichts mit diesem Namen im Papierkorb</translation>
    </message>
    <message>
        <source>another file is at its place now</source>
        <translation>an ihrem Platz liegt jetzt eine andere Datei</translation>
    </message>
    <message>
        <source>Fadebin has moved nothing to the Trash since it started</source>
        <translation>Fadebin hat seit dem Start nichts in den Papierkorb verschoben</translation>
    </message>
    <message>
        <source>Your disk is almost full.</source>
        <translation>Dein Datenträger ist fast voll.</translation>
    </message>
    <message>
        <source>Fadebin can free %1 it moved to the Trash.</source>
        <translation>Fadebin kann %1 freigeben, die es in den Papierkorb verschoben hat.</translation>
    </message>
    <message>
        <source>Free %1</source>
        <translation>%1 freigeben</translation>
    </message>
    <message>
        <source>This is a sample file from Fadebin. Give it 30 seconds and watch it go to the Trash.</source>
        <translation>Dies ist eine Beispieldatei von Fadebin. Gib ihr 30 Sekunden und sieh zu, wie sie im Papierkorb landet.</translation>
    </message>
    <message>
        <source>The size must be above zero.</source>
        <translation>Die Größe muss über null liegen.</translation>
    </message>
    <message>
        <source>There is no notch on this display to show.</source>
        <translation>Auf diesem Bildschirm gibt es keine Notch zum Zeigen.</translation>
    </message>
    <message>
        <source>images</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>videos</source>
        <translation>Videos</translation>
    </message>
    <message>
        <source>audio files</source>
        <translation>Audiodateien</translation>
    </message>
    <message>
        <source>archives</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>packages</source>
        <translation>Pakete</translation>
    </message>
    <message>
        <source>PDFs</source>
        <translation>PDFs</translation>
    </message>
    <message>
        <source>documents</source>
        <translation>Dokumente</translation>
    </message>
    <message>
        <source>spreadsheets</source>
        <translation>Tabellen</translation>
    </message>
    <message>
        <source>presentations</source>
        <translation>Präsentationen</translation>
    </message>
    <message>
        <source>text files</source>
        <translation>Textdateien</translation>
    </message>
    <message>
        <source>code files</source>
        <translation>Code-Dateien</translation>
    </message>
    <message>
        <source>data files</source>
        <translation>Datendateien</translation>
    </message>
    <message>
        <source>fonts</source>
        <translation>Schriften</translation>
    </message>
    <message>
        <source>links</source>
        <translation>Verknüpfungen</translation>
    </message>
    <message>
        <source>books</source>
        <translation>Bücher</translation>
    </message>
    <message>
        <source>folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>%1 ending .%2</source>
        <comment>PDFs ending .pdf</comment>
        <translation>%1 mit Endung .%2</translation>
    </message>
    <message>
        <source>.%1 files</source>
        <translation>.%1-Dateien</translation>
    </message>
    <message>
        <source>%1 from %2</source>
        <comment>PDFs from example.org</comment>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Always keep %1?</source>
        <translation>%1 immer behalten?</translation>
    </message>
    <message>
        <source>Always keep %1 for %2?</source>
        <comment>PDFs from example.org, 1 day</comment>
        <translation>%1 immer %2 behalten?</translation>
    </message>
    <message>
        <source>Kept by your rule</source>
        <translation>Nach deiner Regel behalten</translation>
    </message>
    <message>
        <source>Kept for %1 by your rule</source>
        <translation>Nach deiner Regel %1 behalten</translation>
    </message>
</context>
<context>
    <name>ColorWell</name>
    <message>
        <source>Choose a colour</source>
        <translation>Farbe wählen</translation>
    </message>
</context>
<context>
    <name>CommandCallTexts</name>
    <message>
        <source>Fadebin is not running.</source>
        <translation>Fadebin läuft nicht.</translation>
    </message>
    <message>
        <source>Fadebin did not answer in time; it may still be doing what was asked.</source>
        <translation>Fadebin hat nicht rechtzeitig geantwortet; vielleicht erledigt es den Auftrag noch.</translation>
    </message>
</context>
<context>
    <name>CommandLineTexts</name>
    <message>
        <source>Usage: fadebin [--help] [--version]
       fadebin list [--json]
       fadebin expire --in 10s|30s|30m|1h|1d|10d FILE...
       fadebin keep FILE...
       fadebin delete-now FILE...
       fadebin restore [--last | FILE...]
       fadebin quit
       fadebin show
       fadebin plan --free SIZE [--json]
       fadebin free SIZE
       fadebin rules list [--json]
       fadebin rules add [--host HOST] [--kind KIND] [--ext EXT] --choice CHOICE
       fadebin rules remove N
</source>
        <translation>Aufruf: fadebin [--help] [--version]
       fadebin list [--json]
       fadebin expire --in 10s|30s|30m|1h|1d|10d DATEI...
       fadebin keep DATEI...
       fadebin delete-now DATEI...
       fadebin restore [--last | DATEI...]
       fadebin quit
       fadebin show
       fadebin plan --free GRÖSSE [--json]
       fadebin free GRÖSSE
       fadebin rules list [--json]
       fadebin rules add [--host HOST] [--kind ART] [--ext ENDUNG] --choice WAHL
       fadebin rules remove N
</translation>
    </message>
    <message>
        <source>an empty word is not a file name</source>
        <translation>ein leeres Wort ist kein Dateiname</translation>
    </message>
    <message>
        <source>&quot;%1&quot; names a folder by &quot;.&quot; or &quot;..&quot;, not a file</source>
        <translation>„%1“ bezeichnet mit „.“ oder „..“ einen Ordner, keine Datei</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is Downloads itself or a folder that holds it</source>
        <translation>„%1“ ist Downloads selbst oder ein Ordner darüber</translation>
    </message>
    <message>
        <source>could not read the file names</source>
        <translation>die Dateinamen ließen sich nicht lesen</translation>
    </message>
    <message>
        <source>no files given</source>
        <translation>keine Dateien angegeben</translation>
    </message>
    <message>
        <source>pending</source>
        <translation>offen</translation>
    </message>
    <message>
        <source>scheduled</source>
        <translation>geplant</translation>
    </message>
    <message>
        <source>kept</source>
        <translation>behalten</translation>
    </message>
    <message>
        <source>STATUS     LEFT     SIZE       NAME</source>
        <translation>STATUS     REST     GRÖSSE     NAME</translation>
    </message>
    <message>
        <source>%1 %2 (%3)</source>
        <comment>status, count, size</comment>
        <translation>%1 %2 (%3)</translation>
    </message>
    <message>
        <source>Total: %1</source>
        <translation>Gesamt: %1</translation>
    </message>
    <message>
        <source>restore --last takes no files</source>
        <translation>restore --last nimmt keine Dateien</translation>
    </message>
    <message>
        <source>Restored %1</source>
        <translation>Wiederhergestellt: %1</translation>
    </message>
    <message>
        <source>quit takes no arguments</source>
        <translation>quit nimmt keine Argumente</translation>
    </message>
    <message>
        <source>Fadebin was asked to quit but has not ended yet.</source>
        <translation>Fadebin wurde zum Beenden aufgefordert, läuft aber noch.</translation>
    </message>
    <message>
        <source>show takes no arguments</source>
        <translation>show nimmt keine Argumente</translation>
    </message>
    <message>
        <source>list takes no files</source>
        <translation>list nimmt keine Dateien</translation>
    </message>
    <message>
        <source>expire needs --in 10s, 30s, 30m, 1h, 1d or 10d</source>
        <translation>expire braucht --in 10s, 30s, 30m, 1h, 1d oder 10d</translation>
    </message>
    <message>
        <source>unknown duration &quot;%1&quot; for --in</source>
        <translation>unbekannte Dauer „%1“ für --in</translation>
    </message>
    <message>
        <source>Show this help.</source>
        <translation>Diese Hilfe zeigen.</translation>
    </message>
    <message>
        <source>Show the version.</source>
        <translation>Die Version zeigen.</translation>
    </message>
    <message>
        <source>unknown command &quot;%1&quot;</source>
        <translation>unbekannter Befehl „%1“</translation>
    </message>
    <message>
        <source>Fadebin gives every new download an expiry.</source>
        <translation>Fadebin gibt jedem neuen Download ein Ablaufdatum.</translation>
    </message>
    <message>
        <source>Run without arguments to start Fadebin; run it again to open its settings.</source>
        <translation>Ohne Argumente aufgerufen startet Fadebin; ein zweiter Aufruf öffnet die Einstellungen.</translation>
    </message>
</context>
<context>
    <name>ConfirmationCard</name>
    <message>
        <source>Make It a Rule</source>
        <translation>Als Regel merken</translation>
    </message>
    <message>
        <source>Make it a rule: </source>
        <translation>Als Regel merken: </translation>
    </message>
    <message>
        <source>No, Ask Me</source>
        <translation>Nein, frag mich</translation>
    </message>
</context>
<context>
    <name>DesktopProgram</name>
    <message>
        <source>Fadebin is already running.</source>
        <translation>Fadebin läuft bereits.</translation>
    </message>
</context>
<context>
    <name>DisplayText</name>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n Byte</numerusform>
            <numerusform>%n Byte</numerusform>
        </translation>
    </message>
    <message>
        <source>kB</source>
        <translation>kB</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>GB</source>
        <translation>GB</translation>
    </message>
    <message>
        <source>TB</source>
        <translation>TB</translation>
    </message>
    <message>
        <source>PB</source>
        <translation>PB</translation>
    </message>
    <message>
        <source>EB</source>
        <translation>EB</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>a number and its unit</comment>
        <translation>%1 %2</translation>
    </message>
</context>
<context>
    <name>DownloadNoticeTexts</name>
    <message>
        <source>a minute</source>
        <translation>einer Minute</translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s)</source>
        <translation>
            <numerusform>%n Minute</numerusform>
            <numerusform>%n Minuten</numerusform>
        </translation>
    </message>
    <message>
        <source>From %1</source>
        <translation>Von %1</translation>
    </message>
    <message>
        <source>New download</source>
        <translation>Neuer Download</translation>
    </message>
    <message>
        <source>New download · %1</source>
        <translation>Neuer Download · %1</translation>
    </message>
    <message numerus="yes">
        <source>%n new download(s)</source>
        <translation>
            <numerusform>%n neuer Download</numerusform>
            <numerusform>%n neue Downloads</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 und %n weiterer</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>How long should Fadebin keep it?</source>
        <translation>Wie lange soll Fadebin ihn behalten?</translation>
    </message>
    <message>
        <source>How long should Fadebin keep them?</source>
        <translation>Wie lange soll Fadebin sie behalten?</translation>
    </message>
    <message>
        <source>Unless you decide with the fadebin command, your default choice applies in %1.</source>
        <translation>Wenn du nicht mit dem Befehl fadebin entscheidest, gilt in %1 deine Standardwahl.</translation>
    </message>
    <message>
        <source>Keep it</source>
        <translation>Behalten</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen …</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) could not be put back</source>
        <translation>
            <numerusform>%n Datei ließ sich nicht zurücklegen</numerusform>
            <numerusform>%n Dateien ließen sich nicht zurücklegen</numerusform>
        </translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Make it a rule?</source>
        <translation>Als Regel merken?</translation>
    </message>
    <message>
        <source>Make It a Rule</source>
        <translation>Als Regel merken</translation>
    </message>
    <message>
        <source>No, Ask Me</source>
        <translation>Nein, frag mich</translation>
    </message>
</context>
<context>
    <name>DownloadsWatcherTexts</name>
    <message>
        <source>Fadebin can&apos;t watch Downloads: the system&apos;s limit of watched folders is reached (%1)</source>
        <translation>Fadebin kann Downloads nicht überwachen: Die Systemgrenze überwachter Ordner ist erreicht (%1)</translation>
    </message>
</context>
<context>
    <name>DropPrompt</name>
    <message>
        <source>Drop to set a timer</source>
        <translation>Ablegen für einen Timer</translation>
    </message>
    <message>
        <source>Any file in Downloads, even one you kept</source>
        <translation>Jede Datei in Downloads, auch behaltene</translation>
    </message>
</context>
<context>
    <name>EmptyState</name>
    <message>
        <source>Nothing temporary right now</source>
        <translation>Gerade nichts Vorläufiges</translation>
    </message>
</context>
<context>
    <name>ExpiryOptionTexts</name>
    <message>
        <source>10 seconds</source>
        <translation>10 Sekunden</translation>
    </message>
    <message>
        <source>10s</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>30 seconds</source>
        <translation>30 Sekunden</translation>
    </message>
    <message>
        <source>30s</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation>30 Minuten</translation>
    </message>
    <message>
        <source>30m</source>
        <translation>30 min</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 Stunde</translation>
    </message>
    <message>
        <source>1h</source>
        <translation>1 Std.</translation>
    </message>
    <message>
        <source>1 day</source>
        <translation>1 Tag</translation>
    </message>
    <message>
        <source>1d</source>
        <translation>1 Tag</translation>
    </message>
    <message>
        <source>10 days</source>
        <translation>10 Tage</translation>
    </message>
    <message>
        <source>10d</source>
        <translation>10 Tage</translation>
    </message>
    <message>
        <source>Keep forever</source>
        <translation>Für immer behalten</translation>
    </message>
    <message>
        <source>Keep it</source>
        <translation>Behalten</translation>
    </message>
</context>
<context>
    <name>ExpirySchedulerTexts</name>
    <message>
        <source>Moved to Trash</source>
        <translation>In den Papierkorb verschoben</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) moved to Trash</source>
        <translation>
            <numerusform>%n Datei in den Papierkorb verschoben</numerusform>
            <numerusform>%n Dateien in den Papierkorb verschoben</numerusform>
        </translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>Gelöscht</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) deleted</source>
        <translation>
            <numerusform>%n Datei gelöscht</numerusform>
            <numerusform>%n Dateien gelöscht</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ExpiryStoreTexts</name>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>the disk is read-only</source>
        <translation>der Datenträger ist schreibgeschützt</translation>
    </message>
    <message>
        <source>not saved yet: %1; Fadebin keeps trying</source>
        <translation>noch nicht gespeichert: %1; Fadebin versucht es weiter</translation>
    </message>
    <message>
        <source>Fadebin can&apos;t save its records: %1</source>
        <translation>Fadebin kann seine Daten nicht speichern: %1</translation>
    </message>
</context>
<context>
    <name>FeedbackView</name>
    <message>
        <source>Send Feedback</source>
        <translation>Feedback senden</translation>
    </message>
    <message>
        <source>Bug, idea, or just saying hi — it reaches us directly.</source>
        <translation>Fehler, Idee oder einfach ein Hallo – es kommt direkt bei uns an.</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Nachricht</translation>
    </message>
    <message>
        <source>What&apos;s on your mind?</source>
        <translation>Was möchtest du uns sagen?</translation>
    </message>
    <message>
        <source>Your email (optional, so we can reply)</source>
        <translation>Deine E-Mail (optional, damit wir antworten können)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Thanks for the feedback!</source>
        <translation>Danke für dein Feedback!</translation>
    </message>
    <message>
        <source>We read every message.</source>
        <translation>Wir lesen jede Nachricht.</translation>
    </message>
</context>
<context>
    <name>FilesSettingsView</name>
    <message>
        <source>Ignore</source>
        <translation>Ignorieren</translation>
    </message>
    <message>
        <source>Comma separated. Downloads with these extensions are never asked about and never trashed.</source>
        <translation>Durch Kommas getrennt. Downloads mit diesen Endungen werden nie erfragt und nie weggeworfen.</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Endungen</translation>
    </message>
    <message>
        <source>deb, rpm, AppImage, flatpakref, iso</source>
        <translation>deb, rpm, AppImage, flatpakref, iso</translation>
    </message>
    <message>
        <source>Trash</source>
        <translation>Papierkorb</translation>
    </message>
    <message>
        <source>Remove Fadebin&apos;s files from the Trash after</source>
        <translation>Fadebins Dateien aus dem Papierkorb entfernen nach</translation>
    </message>
    <message>
        <source>Only files Fadebin moved there. Whatever you put in the Trash yourself stays.</source>
        <translation>Nur Dateien, die Fadebin dorthin verschoben hat. Was du selbst in den Papierkorb legst, bleibt.</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Nie</translation>
    </message>
    <message>
        <source>1 day</source>
        <translation>1 Tag</translation>
    </message>
    <message>
        <source>7 days</source>
        <translation>7 Tagen</translation>
    </message>
    <message>
        <source>30 days</source>
        <translation>30 Tagen</translation>
    </message>
    <message>
        <source>Empty Now</source>
        <translation>Jetzt leeren</translation>
    </message>
    <message>
        <source>Empty Fadebin&apos;s Files from the Trash</source>
        <translation>Fadebins Dateien aus dem Papierkorb entfernen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Timers</source>
        <translation>Timer</translation>
    </message>
    <message>
        <source>Show test timers (10s, 30s)</source>
        <translation>Test-Timer zeigen (10 s, 30 s)</translation>
    </message>
    <message>
        <source>Handy for trying Fadebin without waiting half an hour.</source>
        <translation>Praktisch, um Fadebin auszuprobieren, ohne eine halbe Stunde zu warten.</translation>
    </message>
</context>
<context>
    <name>Footer</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>GeneralSettingsView</name>
    <message>
        <source>Launch at login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Pause watching Downloads</source>
        <translation>Überwachung von Downloads pausieren</translation>
    </message>
    <message>
        <source>While paused, new downloads are not asked about. Files already scheduled are still trashed on time.</source>
        <translation>Während der Pause werden neue Downloads nicht erfragt. Bereits geplante Dateien wandern trotzdem pünktlich in den Papierkorb.</translation>
    </message>
    <message>
        <source>When time is up</source>
        <translation>Wenn die Zeit um ist</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message>
        <source>Delete permanently</source>
        <translation>Endgültig löschen</translation>
    </message>
    <message>
        <source>Tag temporary files</source>
        <translation>Vorläufige Dateien markieren</translation>
    </message>
    <message>
        <source>Adds a “Temporary” tag to every file with an expiry, so you can spot them in your file manager. Removed when you keep a file.</source>
        <translation>Versieht jede Datei mit Ablaufdatum mit dem Schlagwort „Vorläufig“, damit du sie im Dateimanager erkennst. Entfällt, wenn du eine Datei behältst.</translation>
    </message>
    <message>
        <source>Watching</source>
        <translation>Überwachung</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Send Feedback…</source>
        <translation>Feedback senden …</translation>
    </message>
    <message>
        <source>Quit Fadebin</source>
        <translation>Fadebin beenden</translation>
    </message>
</context>
<context>
    <name>IntakeProblemTexts</name>
    <message>
        <source>Your Downloads folder is missing</source>
        <translation>Dein Download-Ordner fehlt</translation>
    </message>
    <message>
        <source>Downloads is not a folder</source>
        <translation>Downloads ist kein Ordner</translation>
    </message>
    <message>
        <source>Fadebin can&apos;t read your Downloads folder</source>
        <translation>Fadebin kann deinen Download-Ordner nicht lesen</translation>
    </message>
    <message>
        <source>Your Downloads disk is not mounted</source>
        <translation>Der Datenträger mit Downloads ist nicht eingehängt</translation>
    </message>
    <message>
        <source>Downloads is set to your home folder</source>
        <translation>Downloads ist auf deinen persönlichen Ordner gesetzt</translation>
    </message>
    <message>
        <source>Downloads is set to the root folder</source>
        <translation>Downloads ist auf das Wurzelverzeichnis gesetzt</translation>
    </message>
    <message>
        <source>Fadebin&apos;s database can&apos;t be opened</source>
        <translation>Fadebins Datenbank lässt sich nicht öffnen</translation>
    </message>
    <message>
        <source>The system&apos;s limit of watched folders is reached</source>
        <translation>Die Systemgrenze überwachter Ordner ist erreicht</translation>
    </message>
    <message>
        <source>There is no folder at %1, so new downloads are not watched. Make the folder again; Fadebin looks for it every few seconds.</source>
        <translation>Unter %1 gibt es keinen Ordner, daher werden neue Downloads nicht überwacht. Lege den Ordner wieder an; Fadebin sucht alle paar Sekunden danach.</translation>
    </message>
    <message>
        <source>%1 is a file, not a folder, so new downloads are not watched. Move the file aside and make a folder there.</source>
        <translation>%1 ist eine Datei, kein Ordner, daher werden neue Downloads nicht überwacht. Verschiebe die Datei und lege dort einen Ordner an.</translation>
    </message>
    <message>
        <source>Fadebin may not read %1, so new downloads are not watched. Give your user read access to the folder, then retry.</source>
        <translation>Fadebin darf %1 nicht lesen, daher werden neue Downloads nicht überwacht. Gib deinem Benutzer Lesezugriff auf den Ordner und versuche es erneut.</translation>
    </message>
    <message>
        <source>%1 is on a disk that is not mounted, so new downloads are not watched. Connect or mount the disk; Fadebin starts watching as soon as it is back.</source>
        <translation>%1 liegt auf einem nicht eingehängten Datenträger, daher werden neue Downloads nicht überwacht. Schließe den Datenträger an oder hänge ihn ein; Fadebin überwacht wieder, sobald er da ist.</translation>
    </message>
    <message>
        <source>Fadebin is not watching anything: its database could not be opened (%1). Fix what stops it, such as a full disk or the file&apos;s permissions, then start Fadebin again.</source>
        <translation>Fadebin überwacht nichts: Seine Datenbank ließ sich nicht öffnen (%1). Behebe die Ursache, etwa einen vollen Datenträger oder die Zugriffsrechte der Datei, und starte Fadebin neu.</translation>
    </message>
    <message>
        <source>Fadebin can&apos;t watch Downloads: the system&apos;s limit of watched folders is reached (%1). Raise it with “%2”; Fadebin tries again every few seconds.</source>
        <translation>Fadebin kann Downloads nicht überwachen: Die Systemgrenze überwachter Ordner ist erreicht (%1). Erhöhe sie mit „%2“; Fadebin versucht es alle paar Sekunden erneut.</translation>
    </message>
    <message>
        <source>Show Parent Folder</source>
        <translation>Übergeordneten Ordner zeigen</translation>
    </message>
    <message>
        <source>Open Settings</source>
        <translation>Einstellungen öffnen</translation>
    </message>
    <message>
        <source>Copy Command</source>
        <translation>Befehl kopieren</translation>
    </message>
    <message>
        <source>%1, so the sample can&apos;t be dropped.</source>
        <translation>%1, daher lässt sich die Beispieldatei nicht ablegen.</translation>
    </message>
    <message>
        <source>Watching is paused, so the sample can&apos;t be dropped.</source>
        <translation>Die Überwachung ist pausiert, daher lässt sich die Beispieldatei nicht ablegen.</translation>
    </message>
</context>
<context>
    <name>Lists</name>
    <message>
        <source>New in Downloads</source>
        <translation>Neu in Downloads</translation>
    </message>
    <message>
        <source>Apply to all</source>
        <translation>Für alle</translation>
    </message>
    <message>
        <source>Expiring</source>
        <translation>Läuft ab</translation>
    </message>
</context>
<context>
    <name>NotchSettingsView</name>
    <message>
        <source>Display mode</source>
        <translation>Anzeigemodus</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Hover only</source>
        <translation>Nur beim Zeigen</translation>
    </message>
    <message>
        <source>Ask about new downloads</source>
        <translation>Nach neuen Downloads fragen</translation>
    </message>
    <message>
        <source>In the notch</source>
        <translation>In der Notch</translation>
    </message>
    <message>
        <source>With a notification</source>
        <translation>Per Benachrichtigung</translation>
    </message>
    <message>
        <source>Undecided files</source>
        <translation>Unentschiedene Dateien</translation>
    </message>
    <message>
        <source>Auto-dismiss after</source>
        <translation>Automatisch schließen nach</translation>
    </message>
    <message>
        <source>Stay in the notch for</source>
        <translation>In der Notch bleiben für</translation>
    </message>
    <message>
        <source>Then apply</source>
        <translation>Danach anwenden</translation>
    </message>
    <message>
        <source>Wait until I&apos;m back before applying the default</source>
        <translation>Mit der Standardwahl warten, bis ich zurück bin</translation>
    </message>
    <message>
        <source>Indicator</source>
        <translation>Anzeiger</translation>
    </message>
    <message>
        <source>Show how many files are scheduled</source>
        <translation>Anzahl geplanter Dateien zeigen</translation>
    </message>
    <message>
        <source>Scheduled count ring</source>
        <translation>Ring für geplante Dateien</translation>
    </message>
    <message>
        <source>Countdown ring</source>
        <translation>Countdown-Ring</translation>
    </message>
    <message>
        <source>Reset Colors</source>
        <translation>Farben zurücksetzen</translation>
    </message>
</context>
<context>
    <name>NotchTexts</name>
    <message>
        <source>now</source>
        <comment>countdown</comment>
        <translation>jetzt</translation>
    </message>
    <message>
        <source>%1s</source>
        <translation>%1s</translation>
    </message>
    <message>
        <source>%1m</source>
        <translation>%1m</translation>
    </message>
    <message>
        <source>%1h</source>
        <translation>%1h</translation>
    </message>
    <message>
        <source>%1d</source>
        <translation>%1T</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Nie</translation>
    </message>
    <message>
        <source>Today %1</source>
        <translation>Heute %1</translation>
    </message>
    <message>
        <source>Tomorrow %1</source>
        <translation>Morgen %1</translation>
    </message>
    <message>
        <source>%1 %2 %3</source>
        <comment>day of the month, abbreviated month, time</comment>
        <translation>%1. %2 %3</translation>
    </message>
    <message>
        <source>Until %1</source>
        <translation>Bis %1</translation>
    </message>
    <message>
        <source>Downloads</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>Kept until you delete it</source>
        <translation>Bleibt, bis du sie löschst</translation>
    </message>
    <message>
        <source>Planned to keep forever</source>
        <translation>Wird für immer behalten</translation>
    </message>
    <message>
        <source>Planned to delete %1</source>
        <translation>Wird am %1 gelöscht</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n more waiting — Apply to all reaches them, `fadebin list` shows them</source>
        <translation>
            <numerusform>%n weitere wartet – „Für alle“ erfasst sie, `fadebin list` zeigt sie</numerusform>
            <numerusform>%n weitere warten – „Für alle“ erfasst sie, `fadebin list` zeigt sie</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) could not be put back</source>
        <translation>
            <numerusform>%n Datei ließ sich nicht zurücklegen</numerusform>
            <numerusform>%n Dateien ließen sich nicht zurücklegen</numerusform>
        </translation>
    </message>
    <message>
        <source>Moved out of Downloads</source>
        <translation>Aus Downloads verschoben</translation>
    </message>
    <message>
        <source>Timer removed · %1</source>
        <translation>Timer entfernt · %1</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) moved out of Downloads</source>
        <translation>
            <numerusform>%n Datei aus Downloads verschoben</numerusform>
            <numerusform>%n Dateien aus Downloads verschoben</numerusform>
        </translation>
    </message>
    <message>
        <source>Timers removed · %1</source>
        <translation>Timer entfernt · %1</translation>
    </message>
    <message>
        <source>Fadebin · paused</source>
        <translation>Fadebin · pausiert</translation>
    </message>
    <message>
        <source>Resume watching Downloads</source>
        <translation>Downloads wieder überwachen</translation>
    </message>
    <message>
        <source>Pause watching Downloads</source>
        <translation>Überwachung von Downloads pausieren</translation>
    </message>
    <message>
        <source>Watching is paused.</source>
        <translation>Die Überwachung ist pausiert.</translation>
    </message>
    <message>
        <source>New downloads will show up here.</source>
        <translation>Neue Downloads erscheinen hier.</translation>
    </message>
    <message>
        <source>Not a file yet: save it to Downloads, then drop it here</source>
        <translation>Noch keine Datei: Speichere sie in Downloads und lege sie dann hier ab</translation>
    </message>
    <message>
        <source>Until Today %1</source>
        <translation>Bis heute %1</translation>
    </message>
    <message>
        <source>Until Tomorrow %1</source>
        <translation>Bis morgen %1</translation>
    </message>
    <message>
        <source>Planned to delete Today %1</source>
        <translation>Wird heute um %1 gelöscht</translation>
    </message>
    <message>
        <source>Planned to delete Tomorrow %1</source>
        <translation>Wird morgen um %1 gelöscht</translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>Welcome to Fadebin</source>
        <translation>Willkommen bei Fadebin</translation>
    </message>
    <message>
        <source>Every download gets an expiry. Pick 30 minutes, a day, or keep it, and Fadebin moves the file to the Trash when the time is up. Everything stays on your computer.</source>
        <translation>Jeder Download bekommt ein Ablaufdatum. Wähle 30 Minuten, einen Tag oder „Behalten“, und Fadebin verschiebt die Datei in den Papierkorb, sobald die Zeit um ist. Alles bleibt auf deinem Computer.</translation>
    </message>
    <message>
        <source>See Your Downloads</source>
        <translation>Deine Downloads sehen</translation>
    </message>
    <message>
        <source>Fadebin watches your Downloads folder so it can ask about each new file. Nothing else is read, and nothing leaves your computer.</source>
        <translation>Fadebin überwacht deinen Download-Ordner, um nach jeder neuen Datei zu fragen. Sonst wird nichts gelesen, und nichts verlässt deinen Computer.</translation>
    </message>
    <message>
        <source>Downloads access is enabled</source>
        <translation>Zugriff auf Downloads ist eingerichtet</translation>
    </message>
    <message>
        <source>Check Again</source>
        <translation>Erneut prüfen</translation>
    </message>
    <message>
        <source>Required to continue — Fadebin can&apos;t see new downloads without it.</source>
        <translation>Nötig zum Fortfahren – ohne ihn sieht Fadebin keine neuen Downloads.</translation>
    </message>
    <message>
        <source>Try It</source>
        <translation>Ausprobieren</translation>
    </message>
    <message>
        <source>Drop a Sample File</source>
        <translation>Beispieldatei ablegen</translation>
    </message>
    <message>
        <source>The sample could not be written into Downloads</source>
        <translation>Die Beispieldatei ließ sich nicht in Downloads schreiben</translation>
    </message>
    <message>
        <source>The sample is a small text file named “Fadebin Sample.txt”.</source>
        <translation>Die Beispieldatei ist die Textdatei „Fadebin Sample.txt“.</translation>
    </message>
    <message>
        <source>You&apos;re All Set</source>
        <translation>Alles bereit</translation>
    </message>
    <message>
        <source>Launch Fadebin at login</source>
        <translation>Fadebin beim Anmelden starten</translation>
    </message>
    <message>
        <source>Remove Fadebin&apos;s files from the Trash after</source>
        <translation>Fadebins Dateien aus dem Papierkorb entfernen nach</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Nie</translation>
    </message>
    <message>
        <source>1 day</source>
        <translation>1 Tag</translation>
    </message>
    <message>
        <source>7 days</source>
        <translation>7 Tagen</translation>
    </message>
    <message>
        <source>30 days</source>
        <translation>30 Tagen</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Weiter</translation>
    </message>
</context>
<context>
    <name>PendingRow</name>
    <message>
        <source>Keep it</source>
        <translation>Behalten</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>PeripheryTexts</name>
    <message>
        <source>%1 %2</source>
        <comment>a number and its unit</comment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Nothing pops up. Hover the notch to see new downloads and pick a time.</source>
        <translation>Nichts springt auf. Zeige auf die Notch, um neue Downloads zu sehen und eine Zeit zu wählen.</translation>
    </message>
    <message>
        <source>New downloads open the notch automatically. Hovering works too.</source>
        <translation>Neue Downloads öffnen die Notch automatisch. Darauf zeigen geht auch.</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>Update Available…</source>
        <translation>Update verfügbar …</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Fadebin %1 is available. You have %2.</source>
        <translation>Fadebin %1 ist verfügbar. Du hast %2.</translation>
    </message>
    <message>
        <source>Sending…</source>
        <translation>Wird gesendet …</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>This desktop cannot show the notch. Choose how long to keep downloads from a terminal instead: &quot;fadebin list&quot; shows them, &quot;fadebin expire --in 1h FILE&quot; and &quot;fadebin keep FILE&quot; decide.</source>
        <translation>Dieser Desktop kann die Notch nicht zeigen. Lege stattdessen im Terminal fest, wie lange Downloads bleiben: „fadebin list“ zeigt sie, „fadebin expire --in 1h DATEI“ und „fadebin keep DATEI“ entscheiden.</translation>
    </message>
    <message>
        <source>Hover the notch</source>
        <translation>Zeige auf die Notch,</translation>
    </message>
    <message>
        <source>to see what&apos;s pending and what&apos;s expiring</source>
        <translation>um zu sehen, was offen ist und was abläuft</translation>
    </message>
    <message>
        <source>Drop a sample file into Downloads. The notch opens and asks how long to keep it. Pick 30 seconds and watch it go to the Trash.</source>
        <translation>Lege eine Beispieldatei in Downloads ab. Die Notch öffnet sich und fragt, wie lange sie bleiben soll. Wähle 30 Sekunden und sieh zu, wie sie im Papierkorb landet.</translation>
    </message>
    <message>
        <source>Sample dropped — look at the notch</source>
        <translation>Beispieldatei abgelegt – schau auf die Notch</translation>
    </message>
    <message>
        <source>Changed your mind later? Click the time next to a file to pick again, drop any file on the notch to time it, or move a file out of Downloads to keep it.</source>
        <translation>Später umentschieden? Klicke auf die Zeit neben einer Datei, um neu zu wählen, lege eine Datei auf der Notch ab, um ihr einen Timer zu geben, oder verschiebe sie aus Downloads, um sie zu behalten.</translation>
    </message>
    <message>
        <source>Fadebin lives in the notch at the top of your screen. Hover it any time to see what&apos;s pending and what&apos;s expiring, and use the gear for settings.</source>
        <translation>Fadebin wohnt in der Notch oben am Bildschirm. Zeige jederzeit darauf, um zu sehen, was offen ist und was abläuft; das Zahnrad öffnet die Einstellungen.</translation>
    </message>
    <message>
        <source>Run “fadebin list”</source>
        <translation>Führe „fadebin list“</translation>
    </message>
    <message>
        <source>in a terminal to see what&apos;s pending and what&apos;s expiring</source>
        <translation>im Terminal aus, um zu sehen, was offen ist und was abläuft</translation>
    </message>
    <message>
        <source>Drop a sample file into Downloads, then decide in a terminal: “fadebin expire --in 30s” and the sample&apos;s path give it 30 seconds. Watch it go to the Trash.</source>
        <translation>Lege eine Beispieldatei in Downloads ab und entscheide im Terminal: „fadebin expire --in 30s“ mit dem Pfad der Beispieldatei gibt ihr 30 Sekunden. Sieh zu, wie sie im Papierkorb landet.</translation>
    </message>
    <message>
        <source>Sample dropped — “fadebin list” shows it</source>
        <translation>Beispieldatei abgelegt – „fadebin list“ zeigt sie</translation>
    </message>
    <message>
        <source>Changed your mind later? “fadebin expire --in 1h FILE” picks again, “fadebin keep FILE” keeps a file, or move a file out of Downloads to keep it.</source>
        <translation>Später umentschieden? „fadebin expire --in 1h DATEI“ wählt neu, „fadebin keep DATEI“ behält eine Datei, oder verschiebe sie aus Downloads, um sie zu behalten.</translation>
    </message>
    <message>
        <source>Fadebin runs in the background. In a terminal, “fadebin list” shows what&apos;s pending and what&apos;s expiring, and “fadebin expire” and “fadebin keep” decide. Start Fadebin again for its settings.</source>
        <translation>Fadebin läuft im Hintergrund. Im Terminal zeigt „fadebin list“, was offen ist und was abläuft, und „fadebin expire“ und „fadebin keep“ entscheiden. Starte Fadebin erneut für die Einstellungen.</translation>
    </message>
    <message>
        <source>Nothing from Fadebin is in the Trash.</source>
        <translation>Nichts von Fadebin liegt im Papierkorb.</translation>
    </message>
    <message>
        <source>In the Trash from Fadebin: %1 (%2)</source>
        <translation>Von Fadebin im Papierkorb: %1 (%2)</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>Remove %1 (%2) that Fadebin moved to the Trash? They cannot be restored. Whatever you put in the Trash yourself stays.</source>
        <translation>%1 (%2) entfernen, die Fadebin in den Papierkorb verschoben hat? Sie lassen sich nicht wiederherstellen. Was du selbst in den Papierkorb gelegt hast, bleibt.</translation>
    </message>
    <message>
        <source>Couldn&apos;t reach the server. Check your connection.</source>
        <translation>Der Server ist nicht erreichbar. Prüfe deine Verbindung.</translation>
    </message>
    <message>
        <source>Couldn&apos;t send right now. Please try again.</source>
        <translation>Senden klappt gerade nicht. Bitte versuche es erneut.</translation>
    </message>
    <message>
        <source>Not used yet</source>
        <translation>Noch nicht angewandt</translation>
    </message>
    <message numerus="yes">
        <source>Decided %n file(s)</source>
        <translation>
            <numerusform>Für %n Datei entschieden</numerusform>
            <numerusform>Für %n Dateien entschieden</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RuleTexts</name>
    <message>
        <source>not an object</source>
        <translation>kein Objekt</translation>
    </message>
    <message>
        <source>the host is not a host name</source>
        <translation>der Host ist kein Hostname</translation>
    </message>
    <message>
        <source>the kind is not one of the kinds</source>
        <translation>die Art ist keine der bekannten Arten</translation>
    </message>
    <message>
        <source>the extension is not an extension</source>
        <translation>die Endung ist keine Dateiendung</translation>
    </message>
    <message>
        <source>it names no host, kind or extension</source>
        <translation>sie nennt weder Host noch Art noch Endung</translation>
    </message>
    <message>
        <source>the choice is not an expiry option</source>
        <translation>die Wahl ist keine der Ablaufoptionen</translation>
    </message>
    <message>
        <source>a part of the rule is too long</source>
        <translation>ein Teil der Regel ist zu lang</translation>
    </message>
</context>
<context>
    <name>RulesCommandTexts</name>
    <message>
        <source>N    HOST                           KIND          EXT       CHOICE</source>
        <translation>N    HOST                           ART           ENDUNG    WAHL</translation>
    </message>
    <message>
        <source>rules add needs --choice (10s, 30s, 30m, 1h, 1d, 10d or keep)</source>
        <translation>rules add braucht --choice (10s, 30s, 30m, 1h, 1d, 10d oder keep)</translation>
    </message>
    <message>
        <source>rule refused: %1</source>
        <translation>Regel abgelehnt: %1</translation>
    </message>
    <message>
        <source>Added rule %1</source>
        <translation>Regel %1 hinzugefügt</translation>
    </message>
    <message>
        <source>rules remove needs one rule number, as rules list shows it</source>
        <translation>rules remove braucht eine Regelnummer, wie rules list sie zeigt</translation>
    </message>
    <message>
        <source>There is no rule %1.</source>
        <translation>Es gibt keine Regel %1.</translation>
    </message>
    <message>
        <source>Removed rule %1</source>
        <translation>Regel %1 entfernt</translation>
    </message>
    <message>
        <source>rules needs list, add or remove</source>
        <translation>rules braucht list, add oder remove</translation>
    </message>
    <message>
        <source>rules %1 takes no other words</source>
        <translation>rules %1 nimmt keine weiteren Wörter</translation>
    </message>
</context>
<context>
    <name>RulesSettingsView</name>
    <message>
        <source>Rules</source>
        <translation>Regeln</translation>
    </message>
    <message>
        <source>No rules yet</source>
        <translation>Noch keine Regeln</translation>
    </message>
    <message>
        <source>When you give files of one kind from one site the same choice three times, Fadebin offers to make it a rule. “fadebin rules add” makes one by hand.</source>
        <translation>Wenn du Dateien einer Art von einer Website dreimal gleich entscheidest, bietet Fadebin an, daraus eine Regel zu machen. „fadebin rules add“ legt eine von Hand an.</translation>
    </message>
    <message>
        <source>Choice for %1</source>
        <translation>Wahl für %1</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove the rule for %1</source>
        <translation>Regel für %1 entfernen</translation>
    </message>
    <message>
        <source>New downloads that match a rule get its choice at once and are never asked about. The most specific rule wins: a site and a kind over a site alone, a site over a kind.</source>
        <translation>Neue Downloads, auf die eine Regel passt, bekommen sofort deren Wahl und werden nie nachgefragt. Die genaueste Regel gewinnt: Website und Art vor Website allein, Website vor Art.</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Fadebin Settings</source>
        <translation>Fadebin-Einstellungen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Notch</source>
        <translation>Notch</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Rules</source>
        <translation>Regeln</translation>
    </message>
</context>
<context>
    <name>SpaceCommandTexts</name>
    <message>
        <source>plan takes no other words</source>
        <translation>plan nimmt keine weiteren Wörter</translation>
    </message>
    <message>
        <source>plan needs --free SIZE, such as 5G or 500M</source>
        <translation>plan braucht --free GRÖSSE, etwa 5G oder 500M</translation>
    </message>
    <message>
        <source>free needs one SIZE, such as 5G or 500M</source>
        <translation>free braucht eine GRÖSSE, etwa 5G oder 500M</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a size (such as 5G, 1.5GB or 500M)</source>
        <translation>„%1“ ist keine Größe (etwa 5G, 1.5GB oder 500M)</translation>
    </message>
    <message>
        <source>Fadebin has nothing it may free: none of its files is in the Trash and none is scheduled.</source>
        <translation>Fadebin darf nichts freigeben: Keine seiner Dateien liegt im Papierkorb und keine ist geplant.</translation>
    </message>
    <message>
        <source>FROM       SIZE       WHEN                    NAME</source>
        <translation>ORT        GRÖSSE     WANN                    NAME</translation>
    </message>
    <message>
        <source>trashed %1</source>
        <translation>seit %1</translation>
    </message>
    <message>
        <source>expires in %1</source>
        <translation>läuft in %1 ab</translation>
    </message>
    <message>
        <source>Trash</source>
        <translation>Papierkorb</translation>
    </message>
    <message>
        <source>Downloads</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>Total: %1 of the %2 asked for</source>
        <translation>Gesamt: %1 der gewünschten %2</translation>
    </message>
    <message>
        <source>  from the Trash, now, with &quot;fadebin free&quot;: %1</source>
        <translation>  aus dem Papierkorb, sofort, mit „fadebin free“: %1</translation>
    </message>
    <message>
        <source>  as scheduled files expire: %1</source>
        <translation>  wenn geplante Dateien ablaufen: %1</translation>
    </message>
    <message>
        <source>Fadebin has nothing else it may free.</source>
        <translation>Sonst darf Fadebin nichts freigeben.</translation>
    </message>
    <message>
        <source>Removed %1 (%2) from the Trash</source>
        <translation>%1 (%2) aus dem Papierkorb entfernt</translation>
    </message>
    <message>
        <source>None of Fadebin&apos;s files is in the Trash: nothing was freed.</source>
        <translation>Keine Datei von Fadebin liegt im Papierkorb: Es wurde nichts freigegeben.</translation>
    </message>
    <message>
        <source>Freed %1 (none of Fadebin&apos;s files is left in the Trash).</source>
        <translation>%1 freigegeben (keine Datei von Fadebin ist mehr im Papierkorb).</translation>
    </message>
    <message>
        <source>Freed %1.</source>
        <translation>%1 freigegeben.</translation>
    </message>
</context>
<context>
    <name>SpokenTexts</name>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Archive</source>
        <translation>Archiv</translation>
    </message>
    <message>
        <source>Package</source>
        <translation>Paket</translation>
    </message>
    <message>
        <source>PDF</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>Dokument</translation>
    </message>
    <message>
        <source>Spreadsheet</source>
        <translation>Tabelle</translation>
    </message>
    <message>
        <source>Presentation</source>
        <translation>Präsentation</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Verknüpfung</translation>
    </message>
    <message>
        <source>Book</source>
        <translation>Buch</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message numerus="yes">
        <source>%n second(s)</source>
        <translation>
            <numerusform>%n Sekunde</numerusform>
            <numerusform>%n Sekunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s)</source>
        <translation>
            <numerusform>%n Minute</numerusform>
            <numerusform>%n Minuten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s)</source>
        <translation>
            <numerusform>%n Stunde</numerusform>
            <numerusform>%n Stunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s)</source>
        <translation>
            <numerusform>%n Tag</numerusform>
            <numerusform>%n Tage</numerusform>
        </translation>
    </message>
    <message>
        <source>now</source>
        <translation>jetzt</translation>
    </message>
    <message>
        <source>Keep for %1</source>
        <translation>%1 behalten</translation>
    </message>
    <message>
        <source>%1 from %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>waiting for a decision</source>
        <translation>wartet auf eine Entscheidung</translation>
    </message>
    <message>
        <source>kept</source>
        <translation>behalten</translation>
    </message>
    <message>
        <source>expires in %1</source>
        <translation>läuft in %1 ab</translation>
    </message>
    <message>
        <source>expires now</source>
        <translation>läuft jetzt ab</translation>
    </message>
    <message>
        <source>set by your rule</source>
        <translation>nach deiner Regel</translation>
    </message>
</context>
<context>
    <name>ToastContent</name>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Change: ask me about it</source>
        <translation>Ändern: frag mich danach</translation>
    </message>
</context>
<context>
    <name>TrackedRow</name>
    <message>
        <source>Change expiry</source>
        <translation>Ablauf ändern</translation>
    </message>
    <message>
        <source>More actions</source>
        <translation>Weitere Aktionen</translation>
    </message>
    <message>
        <source>Keep forever</source>
        <translation>Für immer behalten</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>Im Ordner zeigen</translation>
    </message>
    <message>
        <source>Delete now</source>
        <translation>Jetzt löschen</translation>
    </message>
    <message>
        <source>Rule</source>
        <translation>Regel</translation>
    </message>
</context>
<context>
    <name>UpdateAnnouncerTexts</name>
    <message>
        <source>Fadebin update available</source>
        <translation>Fadebin-Update verfügbar</translation>
    </message>
    <message>
        <source>Download…</source>
        <translation>Herunterladen …</translation>
    </message>
</context>
<context>
    <name>UpdateManagerTexts</name>
    <message>
        <source>Checking for updates…</source>
        <translation>Suche nach Updates …</translation>
    </message>
    <message>
        <source>You&apos;re up to date.</source>
        <translation>Du bist auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates right now.</source>
        <translation>Die Suche nach Updates klappt gerade nicht.</translation>
    </message>
</context>
<context>
    <name>UpdateResultView</name>
    <message>
        <source>Software Update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>Checking for updates</source>
        <translation>Suche nach Updates</translation>
    </message>
    <message>
        <source>Install it with your package manager once it is downloaded.</source>
        <translation>Installiere es nach dem Herunterladen mit deiner Paketverwaltung.</translation>
    </message>
    <message>
        <source>Download…</source>
        <translation>Herunterladen …</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
