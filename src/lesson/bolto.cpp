#include "bolto.h"

#include "archive.h"

CBolto theLesson;

CBolto::CBolto()
{
    Reset();
}

void CBolto::Reset()
{
    m_currentPage = -1;
    m_pageTexts.clear();
    m_pageKinds.clear();
    m_arrowLines.clear();
    m_arrowCounts.clear();
    m_folderName.clear();
}

namespace {
void storeInts(CArchive &ar, const std::vector<int32_t> &list)
{
    ar.WriteInt32(int32_t(list.size()));
    for (int32_t value : list)
        ar.WriteInt32(value);
}

void loadInts(CArchive &ar, std::vector<int32_t> &list)
{
    const int32_t count = ar.ReadInt32();
    for (int32_t i = 0; i < count; ++i)
        list.push_back(ar.ReadInt32());
}
} // namespace

void CBolto::Serialize(CArchive &ar)
{
    if (ar.IsStoring()) {
        ar.WriteInt32(int32_t(m_pageTexts.size()));
        for (const std::string &text : m_pageTexts)
            ar.WriteString(text);
        storeInts(ar, m_pageKinds);
        storeInts(ar, m_arrowLines);
        storeInts(ar, m_arrowCounts);
        ar.WriteString(m_folderName);
        return;
    }
    const int32_t texts = ar.ReadInt32();
    for (int32_t i = 0; i < texts; ++i)
        m_pageTexts.push_back(ar.ReadString());
    loadInts(ar, m_pageKinds);
    loadInts(ar, m_arrowLines);
    loadInts(ar, m_arrowCounts);
    m_folderName = ar.ReadString();
}
