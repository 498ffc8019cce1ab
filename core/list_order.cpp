#include "core/list_order.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace listorder {
namespace {

// One collator a thread, made when first used: a collator may be used by one thread at a
// time (the start works out the lists' ranks on a thread of its own while the window is made).
std::optional<QCollator>& threadCollator()
{
    static thread_local std::optional<QCollator> collator;
    return collator;
}

const QCollator& czech()
{
    std::optional<QCollator>& collator = threadCollator();
    if (!collator) {
        collator.emplace(QLocale(QLocale::Czech, QLocale::CzechRepublic));
        collator->setCaseSensitivity(Qt::CaseInsensitive);
        collator->setNumericMode(false);
    }
    return *collator;
}

// Whether the text reads as an ordinary decimal number: blanks around an optional sign,
// digits and an optional dot with more digits. "nan", "inf" or "1e3" are names, not numbers
// (a NaN would compare equal to every number and leave the list out of order).
std::optional<double> decimalNumber(QStringView text)
{
    QStringView rest = text.trimmed();
    if (!rest.isEmpty() && (rest.front() == u'+' || rest.front() == u'-'))
        rest = rest.mid(1);
    qsizetype digits = 0;
    bool dot = false;
    for (const QChar ch : rest) {
        if (ch >= u'0' && ch <= u'9')
            ++digits;
        else if (ch == u'.' && !dot)
            dot = true;
        else
            return std::nullopt;
    }
    bool ok = false;
    const double number = digits > 0 ? text.toDouble(&ok) : 0;
    return ok ? std::optional<double>(number) : std::nullopt;
}

int compareNumbers(double a, double b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

SortKey key(const QString& text)
{
    SortKey key;
    if (const std::optional<double> number = decimalNumber(text)) {
        key.isNumber = true;
        key.number = *number;
    } else {
        key.text = czech().sortKey(text);
    }
    return key;
}

int compare(const SortKey& a, const SortKey& b)
{
    if (a.isNumber != b.isNumber)
        return a.isNumber ? -1 : 1;
    return a.isNumber ? compareNumbers(a.number, b.number) : a.text->compare(*b.text);
}

int compare(QStringView a, QStringView b)
{
    const std::optional<double> x = decimalNumber(a);
    const std::optional<double> y = decimalNumber(b);
    if (x.has_value() != y.has_value())
        return x ? -1 : 1;
    return x ? compareNumbers(*x, *y) : czech().compare(a, b);
}

void releaseCollator()
{
    threadCollator().reset();
}

int Ranking::index(const QString& text, bool& added)
{
    auto known = indexOf.constFind(text);
    if (known == indexOf.constEnd()) {
        known = indexOf.insert(text, static_cast<int>(texts.size()));
        texts.push_back(text);
        added = true;
    }
    return *known;
}

std::vector<int> Ranking::indexesOf(const std::vector<QString>& others) const
{
    std::vector<int> indexes(others.size());
    for (size_t id = 0; id < others.size(); ++id) {
        const bool same = id < texts.size() && texts[id].constData() == others[id].constData();
        indexes[id] = same ? static_cast<int>(id) : indexOf.value(others[id], -1);
    }
    return indexes;
}

void Ranking::rank()
{
    for (size_t i = keys.size(); i < texts.size(); ++i)
        keys.push_back(key(texts[i]));
    std::vector<int> byKey(texts.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    auto before = [this](int a, int b) {
        return compare(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]) < 0;
    };
    std::sort(byKey.begin(), byKey.end(), before);
    // Texts that collate equal share a rank, so that a sort keeps their rows in source order.
    rankOf.assign(texts.size(), 0);
    int rank = 0;
    for (size_t i = 0; i < byKey.size(); ++i) {
        if (i > 0 && compare(keys[static_cast<size_t>(byKey[i - 1])], keys[static_cast<size_t>(byKey[i])]) != 0)
            ++rank;
        rankOf[static_cast<size_t>(byKey[i])] = rank;
    }
    rankCount = byKey.empty() ? 0 : rank + 1;
}

} // namespace listorder
