#pragma once

#include "shellctl/explorer_list_view.h"

#include <string>

namespace vistrel {

// How the user last set up the picture list: its view and its order. Kept in the settings file
// by name, so that the file stays readable and a name it does not know gives the default.
struct ListChoices {
    TShViewStyle View = gvsThumb;
    int SortColumn = kColumnName;
    TShSortDirection Direction = sdAsc;

    bool operator==(const ListChoices &o) const { return View == o.View && SortColumn == o.SortColumn && Direction == o.Direction; }
    bool operator!=(const ListChoices &o) const { return !(*this == o); }
};

ListChoices ReadListChoices(const std::string &settingsFile);
void WriteListChoices(const std::string &settingsFile, const ListChoices &choices);

} // namespace vistrel
