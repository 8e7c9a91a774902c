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
    return INIRW::loadSection(path, out, error);
}

bool EventSettings::save(const QString &path, QString *error) const
{
    return INIRW::updateDocument(
        path,
        [this](Document &doc, QString *why) {
            write(doc);
            // A path that would come back different would start another program, or none.
            if (read(Document::parse(doc.serialize())) != *this) {
                *why = QStringLiteral("Der Pfad des Ereignisprogramms lässt sich in der Einstellungsdatei "
                                      "nicht unverändert speichern (nur Latin-1-Zeichen, höchstens %1 "
                                      "Zeichen, keine Leerzeichen am Anfang oder Ende): %2")
                           .arg(INIRW::maxValueLength)
                           .arg(program);
                return false;
            }
            return true;
        },
        error);
}
