#include "app/list_choices.h"

#include "settings/ini_file.h"

#include <utility>
#include <vector>

namespace vistrel {

namespace {

const char kSection[] = "Picture List";

template <typename T>
using Names = std::vector<std::pair<T, const char *>>;

const Names<TShViewStyle> kViews{{gvsThumb, "thumbnails"}, {gvsIcon, "icons"}, {gvsSmallIcon, "small icons"},
                                 {gvsList, "list"},        {gvsReport, "details"}};
const Names<int> kOrders{{kColumnName, "name"}, {kColumnSize, "size"}, {kColumnModified, "date"}, {kColumnType, "type"},
                           {kColumnAttributes, "attributes"}};
const Names<TShSortDirection> kDirections{{sdAsc, "ascending"}, {sdDesc, "descending"}};

template <typename T>
T Read(const std::string &file, const char *key, const Names<T> &names, T fallback)
{
    const std::string stored = ReadIniString(file, kSection, key, "");
    for (const auto &[value, name] : names)
        if (stored == name)
            return value;
    return fallback;
}

template <typename T>
void Write(const std::string &file, const char *key, const Names<T> &names, T value)
{
    for (const auto &[known, name] : names)
        if (known == value)
            WriteIniString(file, kSection, key, name);
}

} // namespace

ListChoices ReadListChoices(const std::string &settingsFile)
{
    const ListChoices defaults;
    return {Read(settingsFile, "View", kViews, defaults.View), Read(settingsFile, "SortBy", kOrders, defaults.SortColumn),
            Read(settingsFile, "SortOrder", kDirections, defaults.Direction)};
}

void WriteListChoices(const std::string &settingsFile, const ListChoices &choices)
{
    Write(settingsFile, "View", kViews, choices.View);
    Write(settingsFile, "SortBy", kOrders, choices.SortColumn);
    Write(settingsFile, "SortOrder", kDirections, choices.Direction);
}

} // namespace vistrel
