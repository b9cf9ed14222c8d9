#include "Hilfetexte.h"

QString hilfethemenText() {
    return QStringLiteral(
        "Eine Datei zerlegen:\n"
        "1. Geben Sie die Teilgröße in KByte ein oder wählen Sie \"1.4 MB\", \"1.2 MB\" "
        "oder \"ZIP 100\".\n"
        "2. Wählen Sie mit \"Ziel\" das Verzeichnis, in das die Teile geschrieben werden.\n"
        "3. Wählen Sie mit \"Quelle\" die Datei, die zerlegt werden soll.\n"
        "4. Klicken Sie auf \"Zorta\". Liegt das Ziel auf einem Wechselmedium, werden Sie "
        "zwischen den Teilen um die nächste Diskette gebeten.\n\n"
        "Die Datei wieder zusammensetzen:\n"
        "Legen Sie alle Teile und die Batchdatei (zum Beispiel BILD.bat) in ein Verzeichnis. "
        "Wählen Sie \"Reparatur\" und dann die Batchdatei: die Datei entsteht neben den "
        "Teilen. Unter DOS und Windows genügt es, die Batchdatei dort auszuführen.");
}

QString softwareServiceText(const QString& version) {
    return QStringLiteral(
               "Velmorix Zorta, Version %1\n\n"
               "Fragen und Fehlerberichte richten Sie bitte an den Software Service von "
               "Velmorix. Nennen Sie dabei die Version und beschreiben Sie, was Sie getan "
               "haben und welche Meldung erschienen ist.")
        .arg(version);
}
