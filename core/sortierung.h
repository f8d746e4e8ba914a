#pragma once

#include <QStringList>
#include <string>
#include <vector>

// The order of the list: names as a German reader expects them.

// Sort key of a name: letters without accents and letter case, "ß" as "ss" and
// the other ligatures spelt out, so that names sort as a German reader expects.
QString sortKey(const QString& text);
// The same, appended to `keys`.
void appendSortKey(QStringView text, std::u16string& keys);
// The display order: by sort key, ties by the text itself.
bool vor(QStringView keyA, const QString& a, QStringView keyB, const QString& b);
// The numbers of the texts in display order.
std::vector<int> sortedForDisplay(const QStringList& texts);
// The display order when most entries come in an order that was sorted
// before (`kept`, by their numbers now).
std::vector<int> mergedForDisplay(const QStringList& texts, const std::vector<int>& kept);
