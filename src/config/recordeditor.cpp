#include "config/recordeditor.h"

#include "base/allgemein.h"

void RecordEditor::ensureRecord()
{
    if (m_clients.size() < 1)
        m_clients.resize(1);
}

std::optional<int> RecordEditor::find(const QString &typed) const
{
    const double n = fRoundEven(fVal(typed));
    if (n >= 0 && n <= m_clients.size())
        return int(n);
    return std::nullopt;
}

tMAC RecordEditor::record(int number) const
{
    return number == 0 ? m_own : m_clients.at(number - 1);
}

void RecordEditor::store(int number, const tMAC &record)
{
    if (number == 0)
        m_own = record; // shown again as record 0, judging no station
    else
        m_clients[number - 1] = record;
}

std::optional<int> RecordEditor::append(int last)
{
    if (last >= maxRecords)
        return std::nullopt;
    const int index = last; // the new record's place in the list
    m_clients.resize(index + 1);
    m_clients[index].ist_AP = QStringLiteral("Falsch");
    return index + 1;
}

bool RecordEditor::canRemove(int number, int last) const
{
    return last >= 1 && number >= 1 && number <= m_clients.size();
}

void RecordEditor::remove(int number, int last)
{
    const int kept = last - 1;
    // The records after it move down by one.
    for (int i = number - 1; i < kept && i + 1 < m_clients.size(); ++i)
        m_clients[i] = m_clients.at(i + 1);
    m_clients.resize(kept);
}
