#pragma once

#include <QString>

#include <optional>

// The cut operations by which every page is read: plain, case-sensitive text search.
// A split that finds no such element gives nullopt, and the caller's target keeps
// its value (see assignIf).
namespace cut {

// Element k of x split at every occurrence of m (element 0 is the text before the
// first occurrence), or nullopt when x has fewer than k + 1 elements. An empty x
// splits into no elements at all.
std::optional<QString> element(const QString &x, const QString &m, int k);

// The text after the first occurrence of m up to the next one or the end of x.
inline std::optional<QString> pieceAfter(const QString &x, const QString &m) { return element(x, m, 1); }

// The first n characters of x, n being the 1-based position where c first occurs
// (0 when it does not). For a one-character c the head ends with c itself; for a
// longer c it ends with c's first character.
QString headUpTo(const QString &x, const QString &c);

// x with every occurrence of c removed.
QString removeAll(QString x, const QString &c);

// x without leading and trailing space characters (only the space itself).
QString trimSpaces(const QString &x);

// Assigns value to target when there is one; a failed cut leaves target as it was.
inline bool assignIf(QString &target, const std::optional<QString> &value)
{
    if (!value)
        return false;
    target = *value;
    return true;
}

} // namespace cut
