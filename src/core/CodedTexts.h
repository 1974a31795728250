#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace vendorcenter {

// A sequence of texts with few distinct values (the duty texts or dates of
// thousands of moved rows): each distinct text is kept once, and each entry
// is one byte while there are at most 256 of them, four bytes beyond.
class CodedTexts
{
public:
    std::size_t size() const { return narrow_.empty() ? wide_.size() : narrow_.size(); }
    const QString &operator[](std::size_t i) const { return distinct_[narrow_.empty() ? wide_[i] : narrow_[i]]; }

    // Appends texts; the index of distinct texts lives only as long as the writer.
    class Writer
    {
    public:
        explicit Writer(CodedTexts &texts) : texts_(texts) { }
        void append(const QString &text)
        {
            auto found = codes_.constFind(text);
            if (found == codes_.constEnd()) {
                found = codes_.insert(text, static_cast<std::uint32_t>(texts_.distinct_.size()));
                texts_.distinct_.push_back(text);
            }
            texts_.append(*found);
        }

    private:
        CodedTexts &texts_;
        QHash<QString, std::uint32_t> codes_;
    };

private:
    void append(std::uint32_t code)
    {
        if (wide_.empty() && code < 256) {
            narrow_.push_back(static_cast<std::uint8_t>(code));
            return;
        }
        if (wide_.empty()) // the 257th distinct text: every entry takes four bytes from here on
            wide_.assign(narrow_.begin(), narrow_.end());
        narrow_.clear();
        narrow_.shrink_to_fit();
        wide_.push_back(code);
    }

    std::vector<QString> distinct_;
    std::vector<std::uint8_t> narrow_;
    std::vector<std::uint32_t> wide_;
};

} // namespace vendorcenter
