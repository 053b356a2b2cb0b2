#pragma once

// The in-memory lesson: per tutorial page a snippet, the kind of change and the lines it concerns,
// plus the lesson folder and the page now shown. One instance, theLesson, is shared by every pane.

#include "pagetexts.h"

#include <cstdint>
#include <string>
#include <vector>

class CArchive;

enum PageKind : int32_t { Add = 0, Replace = 1, Delete = 2 };

class CBolto
{
public:
    CBolto();
    virtual ~CBolto() = default;
    CBolto(const CBolto &) = default;
    CBolto &operator=(const CBolto &) = default;

    void Reset();

    // Stores or loads sections 1 to 9 of the lesson file. Loading appends to the lists, replaces
    // the folder name and leaves m_currentPage alone; it throws CArchiveException on failure,
    // keeping what was read before.
    virtual void Serialize(CArchive &ar);

    int GetPageCount() const { return int(m_pageTexts.size()); }
    std::string GetPageText(int page) const { return at(m_pageTexts, page, std::string()); }
    int32_t GetPageKind(int page) const { return at(m_pageKinds, page, int32_t(Add)); }
    int32_t GetArrowLine(int page) const { return at(m_arrowLines, page, 0); }
    int32_t GetArrowCount(int page) const { return at(m_arrowCounts, page, 0); }

    // The lists are parallel by index but their lengths come from the file unchecked, and the
    // current page comes from a page's file name: every read is checked against its own list.
    template <typename List> static bool isValidIndex(const List &list, int page)
    {
        return page >= 0 && size_t(page) < list.size();
    }

    CPageTexts m_pageTexts; // code page 932 bytes, CR LF line ends, NULs kept
    std::vector<int32_t> m_pageKinds;
    std::vector<int32_t> m_arrowLines; // 1-based first line
    std::vector<int32_t> m_arrowCounts;
    int32_t m_currentPage = -1;
    std::string m_folderName; // code page 932 bytes; empty: no folder

private:
    template <typename T, typename List> static T at(const List &list, int page, T neutral)
    {
        return isValidIndex(list, page) ? T(list[size_t(page)]) : neutral;
    }
};

extern CBolto theLesson;
