#include "config/eventsettings.h"

#include "config/inirw.h"
#include "config/settingskeys.h"

using INIRW::Document;
using SettingKeys::EventProgram;

EventSettings EventSettings::read(const Document &doc)
{
    EventSettings s;
    s.program = doc.value(EventProgram.sectionName(), EventProgram.keyName()).value_or(QString());
    return s;
}

void EventSettings::write(Document &doc) const
{
    const bool present = doc.value(EventProgram.sectionName(), EventProgram.keyName()).has_value();
    if (present || !program.isEmpty())
        doc.setValue(EventProgram.sectionName(), EventProgram.keyName(), program);
}

bool EventSettings::load(const QString &path, EventSettings *out, QString *error)
{
    Document doc;
    QString why;
    const bool ok = INIRW::readDocument(path, &doc, &why);
    *out = ok ? read(doc) : EventSettings();
    if (error)
        *error = why;
    return ok;
}

bool EventSettings::save(const QString &path, QString *error) const
{
    Document doc;
    QString why;
    if (!INIRW::readDocument(path, &doc, &why)) {
        // Writing now would replace content we could not read.
        if (error)
            *error = QStringLiteral("Die vorhandene Datei wird nicht überschrieben, weil sie nicht "
                                    "gelesen werden konnte: %1")
                         .arg(why);
        return false;
    }
    const QByteArray before = doc.serialize();
    write(doc);
    // A path that would come back different would start another program, or none.
    if (read(Document::parse(doc.serialize())) != *this) {
        if (error)
            *error = QStringLiteral("Der Pfad des Ereignisprogramms lässt sich in der Einstellungsdatei "
                                    "nicht unverändert speichern (nur Latin-1-Zeichen, höchstens %1 "
                                    "Zeichen, keine Leerzeichen am Anfang oder Ende): %2")
                         .arg(INIRW::maxValueLength)
                         .arg(program);
        return false;
    }
    const QByteArray after = doc.serialize();
    if (after == before) {
        if (error)
            error->clear();
        return true; // nothing changed: the file is not touched
    }
    QString failed;
    const bool ok = INIRW::writeWholeFile(path, after, &failed);
    if (error)
        *error = failed;
    return ok;
}
