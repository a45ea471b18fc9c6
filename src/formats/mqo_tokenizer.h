#pragma once

// Splitting an MQO document into tokens. Header-only so that the reader's inner loops inline it
// (a million-face file is some thirty million tokens) and so that the benchmark can run it bare.

#include <cstddef>
#include <cstring>
#include <string_view>

// The token kinds: words (keywords and numbers), quoted strings (without their quotes), the
// braces and parentheses, and the end of the text.
enum class QX_MQO_TOKEN : unsigned char {
    End,
    Word,
    String,
    OpenBrace,
    CloseBrace,
    OpenParen,
    CloseParen,
};

struct CQxMqoToken {
    QX_MQO_TOKEN Kind = QX_MQO_TOKEN::End;
    // A line ended between the previous token and this one (the first token starts a line too).
    bool StartsLine = false;
    std::string_view Text;

    bool Is(QX_MQO_TOKEN kind) const { return Kind == kind; }
    // A line of records ends before this token: at a line break, a closing brace or the end.
    bool EndsRecord() const {
        return StartsLine || Kind == QX_MQO_TOKEN::CloseBrace || Kind == QX_MQO_TOKEN::End;
    }
};

// Words run until a blank (space, tab, line break) or one of { } ( ) ". A string runs from its
// quote to the next quote, line breaks included: Shift_JIS never uses the quote byte inside a
// character, so no escape is needed. A string that runs into the end of the text gives the End
// token and sets IsBroken.
class CQxMqoTokenizer {
public:
    explicit CQxMqoTokenizer(std::string_view text)
        : m_Begin(text.data()), m_Pos(text.data()), m_Before(text.data()), m_End(text.data() + text.size()) {}

    CQxMqoToken Next() {
        CQxMqoToken token;
        m_Before = m_Pos;
        const bool atStart = m_Pos == m_Begin;
        token.StartsLine = SkipBlanks() || atStart;
        if (m_Pos == m_End) return token;
        const char* start = m_Pos;
        switch (Class(*m_Pos)) {
        case C_OpenBrace:
            return Single(token, QX_MQO_TOKEN::OpenBrace);
        case C_CloseBrace:
            return Single(token, QX_MQO_TOKEN::CloseBrace);
        case C_OpenParen:
            return Single(token, QX_MQO_TOKEN::OpenParen);
        case C_CloseParen:
            return Single(token, QX_MQO_TOKEN::CloseParen);
        case C_Quote: {
            const char* close = static_cast<const char*>(std::memchr(start + 1, '"', m_End - start - 1));
            if (!close) {
                m_Broken = true;
                m_Pos = m_End;
                return token;
            }
            token.Kind = QX_MQO_TOKEN::String;
            token.Text = std::string_view(start + 1, close - start - 1);
            m_Pos = close + 1;
            return token;
        }
        default:
            while (++m_Pos != m_End && Class(*m_Pos) == C_Word) {
            }
            token.Kind = QX_MQO_TOKEN::Word;
            token.Text = std::string_view(start, m_Pos - start);
            return token;
        }
    }

    // Puts the token Next gave last back, for the next call to give again.
    void Unget() { m_Pos = m_Before; }

    // A string ran into the end of the text.
    bool IsBroken() const { return m_Broken; }

    // Raw access for the binary vertex block: the bytes from the read position on, and moving
    // the read position past what was read there.
    const char* GetPos() const { return m_Pos; }
    std::size_t GetRemaining() const { return static_cast<std::size_t>(m_End - m_Pos); }
    void Advance(std::size_t bytes) { m_Pos += bytes < GetRemaining() ? bytes : GetRemaining(); }
    // Moves past the end of the current line (to the end of the text when no line break follows).
    void SkipLine() {
        const void* lf = std::memchr(m_Pos, '\n', m_End - m_Pos);
        m_Pos = lf ? static_cast<const char*>(lf) + 1 : m_End;
    }

private:
    enum : unsigned char {
        C_Word,
        C_Blank,
        C_LineBreak,
        C_OpenBrace,
        C_CloseBrace,
        C_OpenParen,
        C_CloseParen,
        C_Quote
    };

    static unsigned char Class(char c) {
        struct Table {
            unsigned char v[256] = {};
            constexpr Table() {
                v[' '] = v['\t'] = v['\r'] = C_Blank;
                v['\n'] = C_LineBreak;
                v['{'] = C_OpenBrace;
                v['}'] = C_CloseBrace;
                v['('] = C_OpenParen;
                v[')'] = C_CloseParen;
                v['"'] = C_Quote;
            }
        };
        static constexpr Table table;
        return table.v[static_cast<unsigned char>(c)];
    }

    // Skips blanks and line breaks; whether a line break was among them.
    bool SkipBlanks() {
        bool lineBreak = false;
        for (; m_Pos != m_End; ++m_Pos) {
            const unsigned char c = Class(*m_Pos);
            if (c == C_LineBreak)
                lineBreak = true;
            else if (c != C_Blank)
                break;
        }
        return lineBreak;
    }

    CQxMqoToken Single(CQxMqoToken& token, QX_MQO_TOKEN kind) {
        token.Kind = kind;
        token.Text = std::string_view(m_Pos, 1);
        ++m_Pos;
        return token;
    }

    const char* m_Begin;
    const char* m_Pos;
    const char* m_Before;
    const char* m_End;
    bool m_Broken = false;
};
