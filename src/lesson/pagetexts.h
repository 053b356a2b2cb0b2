#pragma once

// The page snippets of a lesson, as a list of byte strings. A lesson read from a file keeps its
// texts where the file's bytes were read, in one block: a lesson of a quarter of a million small
// pages then costs one allocation and no copy, not one heap block per page. Texts added one by one
// are copied into shared chunks of their own. Every block is immutable once a text lies in it and
// shared between copies of the list, so a copy is cheap and never sees another's later changes.

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CPageTexts
{
public:
    using const_iterator = std::vector<std::string_view>::const_iterator;

    CPageTexts() = default;
    CPageTexts(std::initializer_list<std::string_view> texts);
    CPageTexts(const CPageTexts &other);
    CPageTexts(CPageTexts &&other) noexcept;
    CPageTexts &operator=(const CPageTexts &other);
    CPageTexts &operator=(CPageTexts &&other) noexcept;
    CPageTexts &operator=(std::initializer_list<std::string_view> texts);

    size_t size() const { return m_texts.size(); }
    bool empty() const { return m_texts.empty(); }
    size_t capacity() const { return m_texts.capacity(); }
    std::string_view operator[](size_t page) const { return m_texts[page]; }
    const_iterator begin() const { return m_texts.begin(); }
    const_iterator end() const { return m_texts.end(); }

    void clear();
    void reserve(size_t count) { m_texts.reserve(count); }
    void push_back(std::string_view text) { m_texts.push_back(keep(text)); }
    void push_back(const char *text) { push_back(std::string_view(text)); }
    // A long text's own string becomes its block, with no copy.
    void push_back(std::string &&text);
    void assign(size_t count, std::string_view text);
    void set(size_t page, std::string_view text) { m_texts.at(page) = keep(text); }

    // Adds `text`, which lies in `block` and stays there; the list shares the block from now on.
    void push_back_in(const std::shared_ptr<const void> &block, std::string_view text);

    friend bool operator==(const CPageTexts &a, const CPageTexts &b);

private:
    // A copy of `text` in storage of the list's own.
    std::string_view keep(std::string_view text);
    void dropTail()
    {
        m_tail = nullptr;
        m_tailLeft = 0;
    }

    std::vector<std::string_view> m_texts;
    std::vector<std::shared_ptr<const void>> m_blocks;
    // Free room at the end of the last chunk this list made; a copy of the list gets none, so
    // two lists never write into the same chunk.
    char *m_tail = nullptr;
    size_t m_tailLeft = 0;
};
