#include "platform/filterparser.h"

#include "platform/edatabaseerror.h"

#include <algorithm>
#include <array>
#include <utility>

namespace dieta {
namespace {

[[noreturn]] void badFilter(const QString& filter, const QString& why) {
    throw EDatabaseError(QStringLiteral("Filtro inválido (%1): %2").arg(why, filter));
}

class Tokenizer {
public:
    explicit Tokenizer(const QString& filter) : m_filter(filter), m_n(filter.size()) {}

    std::vector<FilterToken> run() {
        while (m_i < m_n) {
            const QChar c = m_filter[m_i];
            if (c.isSpace())
                ++m_i;
            else if (c == u'\'')
                quoted();
            else if (c == u'[')
                bracketed();
            else if (c.isLetter() || c == u'_')
                word();
            else if (c.isDigit() || ((c == u'-' || c == u'.') && nextIsDigit()))
                number();
            else if (c == u'(' || c == u')')
                push(c == u'(' ? FilterToken::Kind::Open : FilterToken::Kind::Close, c, 1);
            else if (c == u'=' || c == u'<' || c == u'>')
                comparison(c);
            else
                badFilter(m_filter, QStringLiteral("caractere inesperado '%1'").arg(c));
        }
        return std::move(m_tokens);
    }

private:
    bool nextIsDigit() const { return m_i + 1 < m_n && m_filter[m_i + 1].isDigit(); }

    void push(FilterToken::Kind kind, const QString& text, qsizetype length) {
        m_tokens.push_back({kind, text});
        m_i += length;
    }

    void quoted() {
        QString text;
        for (++m_i; m_i < m_n; ++m_i) {
            if (m_filter[m_i] != u'\'') {
                text += m_filter[m_i];
            } else if (m_i + 1 < m_n && m_filter[m_i + 1] == u'\'') {
                text += u'\'';
                ++m_i;
            } else {
                m_tokens.push_back({FilterToken::Kind::Text, text});
                ++m_i;
                return;
            }
        }
        badFilter(m_filter, QStringLiteral("aspas sem fechamento"));
    }

    void bracketed() {
        const qsizetype end = m_filter.indexOf(u']', m_i);
        if (end < 0)
            badFilter(m_filter, QStringLiteral("colchete sem fechamento"));
        push(FilterToken::Kind::Word, m_filter.mid(m_i + 1, end - m_i - 1), end + 1 - m_i);
    }

    void word() {
        qsizetype end = m_i;
        while (end < m_n && (m_filter[end].isLetterOrNumber() || m_filter[end] == u'_'))
            ++end;
        push(FilterToken::Kind::Word, m_filter.mid(m_i, end - m_i), end - m_i);
    }

    void number() {
        qsizetype end = m_i + 1;
        while (end < m_n && (m_filter[end].isDigit() || m_filter[end] == u'.'))
            ++end;
        push(FilterToken::Kind::Number, m_filter.mid(m_i, end - m_i), end - m_i);
    }

    // =, <, >, and the pairs <=, >=, <> (and ==, which the parser refuses by name).
    void comparison(QChar c) {
        const bool pair = m_i + 1 < m_n &&
                          (m_filter[m_i + 1] == u'=' || (c == u'<' && m_filter[m_i + 1] == u'>'));
        push(FilterToken::Kind::Op, m_filter.mid(m_i, pair ? 2 : 1), pair ? 2 : 1);
    }

    const QString& m_filter;
    const qsizetype m_n;
    qsizetype m_i = 0;
    std::vector<FilterToken> m_tokens;
};

bool isWord(const FilterToken* token, QStringView word) {
    return token && token->kind == FilterToken::Kind::Word &&
           QStringView(token->text).compare(word, Qt::CaseInsensitive) == 0;
}

bool isKind(const FilterToken* token, FilterToken::Kind kind) {
    return token && token->kind == kind;
}

// Groups only bracket (AND is the one connective), so a depth count is enough: every '(' opens
// before a condition and every ')' closes after one, never below depth 0.
class Parser {
public:
    explicit Parser(const QString& filter) : m_filter(filter), m_tokens(tokenizeFilter(filter)) {}

    std::vector<FilterCondition> run() {
        int depth = 0;
        while (m_i < m_tokens.size()) {
            for (; isKind(at(), FilterToken::Kind::Open); ++m_i)
                ++depth;
            m_conditions.push_back(condition());
            for (; isKind(at(), FilterToken::Kind::Close); ++m_i)
                if (--depth < 0)
                    fail(QStringLiteral("parênteses desbalanceados"));
            if (!at())
                break;
            if (!isWord(at(), u"AND"))
                fail(isWord(at(), u"OR") ? QStringLiteral("OR não é suportado")
                                         : QStringLiteral("AND esperado"));
            if (!at(++m_i))
                fail(QStringLiteral("condição esperada após AND"));
        }
        if (depth != 0)
            fail(QStringLiteral("parênteses desbalanceados"));
        return std::move(m_conditions);
    }

private:
    const FilterToken* at() const { return at(m_i); }
    const FilterToken* at(size_t k) const { return k < m_tokens.size() ? &m_tokens[k] : nullptr; }
    [[noreturn]] void fail(const QString& why) const { badFilter(m_filter, why); }

    FilterCondition condition() {
        const FilterToken* name = at();
        if (!isKind(name, FilterToken::Kind::Word) || isWord(name, u"AND"))
            fail(QStringLiteral("nome de campo esperado"));
        FilterCondition condition;
        condition.fieldName = name->text;
        ++m_i;
        if (isWord(at(), u"IS"))
            nullTest(condition);
        else
            comparison(condition);
        return condition;
    }

    void nullTest(FilterCondition& condition) {
        ++m_i;
        condition.op = FilterCondition::Op::IsNull;
        if (isWord(at(), u"NOT")) {
            condition.op = FilterCondition::Op::NotNull;
            ++m_i;
        }
        if (!isWord(at(), u"NULL"))
            fail(QStringLiteral("NULL esperado"));
        ++m_i;
    }

    void comparison(FilterCondition& condition) {
        using Op = FilterCondition::Op;
        static const std::array<std::pair<QStringView, Op>, 6> ops = {{{u"=", Op::Eq},
                                                                       {u"<>", Op::Ne},
                                                                       {u"<", Op::Lt},
                                                                       {u">", Op::Gt},
                                                                       {u"<=", Op::Le},
                                                                       {u">=", Op::Ge}}};
        const FilterToken* op = at();
        if (!isKind(op, FilterToken::Kind::Op))
            fail(QStringLiteral("operador esperado"));
        const auto known = std::find_if(
            ops.begin(), ops.end(), [op](const auto& entry) { return entry.first == op->text; });
        if (known == ops.end())
            fail(QStringLiteral("operador desconhecido"));
        condition.op = known->second;
        const FilterToken* literal = at(++m_i);
        if (!isKind(literal, FilterToken::Kind::Text) &&
            !isKind(literal, FilterToken::Kind::Number))
            fail(QStringLiteral("valor esperado"));
        condition.literal = literal->text;
        ++m_i;
    }

    const QString& m_filter;
    const std::vector<FilterToken> m_tokens;
    size_t m_i = 0;
    std::vector<FilterCondition> m_conditions;
};

} // namespace

std::vector<FilterToken> tokenizeFilter(const QString& filter) {
    return Tokenizer(filter).run();
}

std::vector<FilterCondition> parseFilter(const QString& filter) {
    return Parser(filter).run();
}

} // namespace dieta
