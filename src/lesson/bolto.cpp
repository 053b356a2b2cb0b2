#include "bolto.h"

#include "archive.h"

#include <algorithm>

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

// A lesson comes from strangers: loading one may hold at most twice its size and a fixed
// allowance, whatever its counts claim. Ten million empty pages are ten megabytes on disk but
// 160 MB of string views, so such a file is refused before anything is allocated for it.
class LoadBudget
{
public:
    explicit LoadBudget(const CArchive &ar) : m_ar(ar) {}

    // Counts `bytes` more, or refuses the lesson, naming `offset` as where it went wrong.
    void spend(uint64_t bytes, uint64_t offset)
    {
        m_spent += bytes;
        if (m_spent > limit())
            throw CArchiveException(CArchiveException::genericException, offset);
    }

    // How many of `count` elements of at least `minBytes` each the file can still hold.
    uint64_t fits(int32_t count, uint64_t minBytes) const
    {
        const uint64_t left = m_ar.GetRemaining();
        return count <= 0 ? 0 : left == UINT64_MAX ? 0 : std::min<uint64_t>(count, left / minBytes);
    }

private:
    // A file of unknown size (a pipe) is held to what has arrived so far.
    uint64_t limit() const
    {
        const uint64_t left = m_ar.GetRemaining();
        const uint64_t size = m_ar.GetPosition() + (left == UINT64_MAX ? 0 : left);
        return 2 * size + kAllowance;
    }

    static constexpr uint64_t kAllowance = 64ull << 20;
    const CArchive &m_ar;
    uint64_t m_spent = 0;
};

void loadInts(CArchive &ar, LoadBudget &budget, std::vector<int32_t> &list)
{
    const uint64_t offset = ar.GetPosition();
    const int32_t count = ar.ReadInt32();
    const uint64_t reserve = budget.fits(count, sizeof(int32_t));
    budget.spend(reserve * sizeof(int32_t), offset);
    list.reserve(list.size() + reserve);
    if (count > 0 && uint64_t(count) * sizeof(int32_t) <= ar.GetRemaining() &&
        ar.GetRemaining() != UINT64_MAX) {
        const size_t start = list.size();
        list.resize(start + size_t(count));
        ar.ReadInt32s(list.data() + start, size_t(count));
        return;
    }
    // One at a time where the file may end early, so the error names the integer it cut short.
    for (int32_t i = 0; i < count; ++i) {
        if (list.size() == list.capacity()) // only from a pipe: it doubles
            budget.spend(std::max<uint64_t>(list.size(), 1) * sizeof(int32_t), ar.GetPosition());
        list.push_back(ar.ReadInt32());
    }
}
} // namespace

void CBolto::Serialize(CArchive &ar)
{
    if (ar.IsStoring()) {
        ar.WriteInt32(int32_t(m_pageTexts.size()));
        for (const std::string_view text : m_pageTexts)
            ar.WriteString(text);
        storeInts(ar, m_pageKinds);
        storeInts(ar, m_arrowLines);
        storeInts(ar, m_arrowCounts);
        ar.WriteString(m_folderName);
        return;
    }
    LoadBudget budget(ar);
    const uint64_t offset = ar.GetPosition();
    const int32_t texts = ar.ReadInt32();
    // Every string takes at least its one-byte prefix in the file.
    const uint64_t reserve = budget.fits(texts, 1);
    budget.spend(reserve * sizeof(std::string_view), offset);
    m_pageTexts.reserve(m_pageTexts.size() + reserve);
    // A file read whole keeps its texts where they lie: they cost nothing beyond the file.
    if (const std::shared_ptr<const void> block = ar.Block()) {
        for (int32_t i = 0; i < texts; ++i)
            m_pageTexts.push_back_in(block, ar.ReadStringInBlock());
    } else {
        for (int32_t i = 0; i < texts; ++i) {
            const uint64_t start = ar.GetPosition();
            std::string text = ar.ReadString();
            budget.spend(text.size(), start);
            if (m_pageTexts.size() == m_pageTexts.capacity()) // only from a pipe: it doubles
                budget.spend(std::max<uint64_t>(m_pageTexts.size(), 1) * sizeof(std::string_view),
                             start);
            m_pageTexts.push_back(std::move(text));
        }
    }
    loadInts(ar, budget, m_pageKinds);
    loadInts(ar, budget, m_arrowLines);
    loadInts(ar, budget, m_arrowCounts);
    m_folderName = ar.ReadString();
}
