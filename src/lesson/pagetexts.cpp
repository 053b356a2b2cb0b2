#include "pagetexts.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
// Small texts share chunks of this size; a text of a quarter of it or more gets a block of its own,
// so a chunk never wastes more than a quarter.
constexpr size_t kChunk = 64 * 1024;
} // namespace

CPageTexts::CPageTexts(std::initializer_list<std::string_view> texts)
{
    *this = texts;
}

CPageTexts::CPageTexts(const CPageTexts &other) : m_texts(other.m_texts), m_blocks(other.m_blocks)
{
}

CPageTexts::CPageTexts(CPageTexts &&other) noexcept
    : m_texts(std::move(other.m_texts)), m_blocks(std::move(other.m_blocks)),
      m_tail(std::exchange(other.m_tail, nullptr)), m_tailLeft(std::exchange(other.m_tailLeft, 0))
{
    other.clear();
}

CPageTexts &CPageTexts::operator=(const CPageTexts &other)
{
    if (this != &other) {
        m_texts = other.m_texts;
        m_blocks = other.m_blocks;
        dropTail();
    }
    return *this;
}

CPageTexts &CPageTexts::operator=(CPageTexts &&other) noexcept
{
    if (this != &other) {
        m_texts = std::move(other.m_texts);
        m_blocks = std::move(other.m_blocks);
        m_tail = std::exchange(other.m_tail, nullptr);
        m_tailLeft = std::exchange(other.m_tailLeft, 0);
        other.clear();
    }
    return *this;
}

CPageTexts &CPageTexts::operator=(std::initializer_list<std::string_view> texts)
{
    clear();
    m_texts.reserve(texts.size());
    for (std::string_view text : texts)
        push_back(text);
    return *this;
}

void CPageTexts::clear()
{
    m_texts.clear();
    m_blocks.clear();
    dropTail();
}

void CPageTexts::push_back(std::string &&text)
{
    if (text.size() < kChunk / 4) {
        push_back(std::string_view(text));
        return;
    }
    auto block = std::make_shared<const std::string>(std::move(text));
    m_texts.emplace_back(*block);
    m_blocks.push_back(std::move(block));
}

void CPageTexts::assign(size_t count, std::string_view text)
{
    clear();
    const std::string_view kept = keep(text);
    m_texts.assign(count, kept);
}

void CPageTexts::push_back_in(const std::shared_ptr<const void> &block, std::string_view text)
{
    if (m_blocks.empty() || m_blocks.back() != block)
        m_blocks.push_back(block);
    m_texts.push_back(text);
}

std::string_view CPageTexts::keep(std::string_view text)
{
    if (text.empty())
        return {};
    if (text.size() >= kChunk / 4) {
        std::shared_ptr<char[]> block(new char[text.size()]);
        std::memcpy(block.get(), text.data(), text.size());
        m_blocks.push_back(block);
        return {block.get(), text.size()};
    }
    if (text.size() > m_tailLeft) {
        std::shared_ptr<char[]> chunk(new char[kChunk]);
        m_tail = chunk.get();
        m_tailLeft = kChunk;
        m_blocks.push_back(std::move(chunk));
    }
    // `text` may lie in a block of this list: blocks are only ever added here, never freed.
    std::memcpy(m_tail, text.data(), text.size());
    const std::string_view kept(m_tail, text.size());
    m_tail += text.size();
    m_tailLeft -= text.size();
    return kept;
}

bool operator==(const CPageTexts &a, const CPageTexts &b)
{
    return std::equal(a.m_texts.begin(), a.m_texts.end(), b.m_texts.begin(), b.m_texts.end());
}
