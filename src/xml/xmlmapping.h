// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "xmlmapper.h"

#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <type_traits>
#include <vector>

// The mapping functions every mapping routine is built from. Each runs the
// same way for writing and reading; a value missing from the text reads as
// empty, 0 or false.

void MapString(CXmlMapper &mapper, QString &value);
void MapBool(CXmlMapper &mapper, bool &value);
void MapInt(CXmlMapper &mapper, int &value);

namespace XmlMappingDetail {

// The tokens a list issues between items, captured from the mapper right
// after the caller opened the item element (and named its key attribute).
struct ListTokens
{
    explicit ListTokens(CXmlMapper &mapper)
        : element(mapper.GetElement()), endTag(mapper.GetEndTag()), attribute(mapper.GetAttribute())
    {}

    void nextItem(CXmlMapper &mapper) const
    {
        mapper.Token(endTag);
        mapper.Token(element);
        if (!attribute.isNull())
            mapper.Token(attribute);
    }

    QStringView element;
    QString endTag;
    QStringView attribute;
};

template <typename Key>
void MapKey(CXmlMapper &mapper, Key &key)
{
    if constexpr (std::is_same_v<Key, QString>)
        MapString(mapper, key);
    else
        mapper.MapInt(key);
}

template <typename Items, typename MakeItem, typename Add, typename MapItem>
void ReadList(CXmlMapper &mapper, const ListTokens &tokens, MakeItem makeItem, Add add, MapItem &&mapItem)
{
    for (int n = 0; mapper.HasNext(tokens.element, n); ++n) {
        if (n > 0)
            tokens.nextItem(mapper);
        auto item = makeItem();
        mapItem(mapper, item);
        add(std::move(item));
    }
}

} // namespace XmlMappingDetail

// An array of records held by value.
template <typename T, typename MapItem>
void MapList(CXmlMapper &mapper, QList<T> &list, MapItem &&mapItem)
{
    const XmlMappingDetail::ListTokens tokens(mapper);
    if (mapper.IsStoring()) {
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (i > 0)
                tokens.nextItem(mapper);
            mapItem(mapper, list[i]);
        }
        return;
    }
    for (int n = 0; mapper.HasNext(tokens.element, n); ++n) {
        if (n > 0)
            tokens.nextItem(mapper);
        T item{};
        mapItem(mapper, item);
        list.append(std::move(item));
    }
}

// An array of owned records; reading allocates each with `makeItem`.
template <typename T, typename MapItem, typename MakeItem>
void MapList(CXmlMapper &mapper, std::vector<std::unique_ptr<T>> &list, MapItem &&mapItem, MakeItem &&makeItem)
{
    const XmlMappingDetail::ListTokens tokens(mapper);
    if (mapper.IsStoring()) {
        for (size_t i = 0; i < list.size(); ++i) {
            if (i > 0)
                tokens.nextItem(mapper);
            mapItem(mapper, *list[i]);
        }
        return;
    }
    for (int n = 0; mapper.HasNext(tokens.element, n); ++n) {
        if (n > 0)
            tokens.nextItem(mapper);
        std::unique_ptr<T> item = makeItem();
        mapItem(mapper, *item);
        list.push_back(std::move(item));
    }
}

template <typename T, typename MapItem>
void MapList(CXmlMapper &mapper, std::vector<std::unique_ptr<T>> &list, MapItem &&mapItem)
{
    MapList(mapper, list, std::forward<MapItem>(mapItem), [] { return std::make_unique<T>(); });
}

// An ordered map keyed by a string (ordinal, code-unit order) or an integer.
// Each item maps its key first, then the value's fields; on reading a key
// that is already present has its value replaced.
template <typename Key, typename Value, typename MapItem>
void MapList(CXmlMapper &mapper, std::map<Key, Value> &map, MapItem &&mapItem)
{
    static_assert(std::is_same_v<Key, QString> || std::is_same_v<Key, int>);
    const XmlMappingDetail::ListTokens tokens(mapper);
    if (mapper.IsStoring()) {
        bool first = true;
        for (auto &[key, value] : map) {
            if (!first)
                tokens.nextItem(mapper);
            first = false;
            Key k = key;
            XmlMappingDetail::MapKey(mapper, k);
            mapItem(mapper, value);
        }
        return;
    }
    for (int n = 0; mapper.HasNext(tokens.element, n); ++n) {
        if (n > 0)
            tokens.nextItem(mapper);
        Key key{};
        XmlMappingDetail::MapKey(mapper, key);
        Value value{};
        mapItem(mapper, value);
        map.insert_or_assign(std::move(key), std::move(value));
    }
}
