#include "app/settings/cleaning_items.h"

#include "app/kernel/text.h"

namespace app {

namespace {

// The positions follow the runs (cleaning_run.cpp, windows_run.cpp, application_runs.cpp).
const std::vector<CleaningCategory> kCategories = {
    {"ie", "Internet Explorer", "IDC_FS_IE", "IE",
     {{"typed-urls", "_root.IE_TU"}, {"autocomplete", "_root.IE_AC"}, {"downloads", "_root.IE_DF"},
      {"cache", "_root.IE_CA"}, {"history", "_root.IE_HI"}, {"cookies", "_root.IE_CO"}}},
    {"windows", "Windows", "IDC_FS_WIN", "Misc_Functions",
     {{"temp", "_root.WIN_TF"},
      {"cd-burning", "_root.WIN_CBTF"},
      {"templates", "_root.WIN_TEM"},
      {"recycle-bin", "_root.WIN_RB"},
      {"direct3d-mru", "_root.WIN_DRA"},
      {"directinput-mru", "_root.WIN_DIRA"},
      {"directdraw-mru", "_root.WIN_DDRA"},
      {"clipboard", "_root.WIN_CBD"},
      {"userassist", "_root.WIN_UAH"},
      {"common-dialog", "_root.WIN_CDH"},
      {"paint-mru", "_root.WIN_MSPRF"},
      {"wordpad-mru", "_root.WIN_WRF"},
      {"media-player-mru", "_root.WIN_MPRF"},
      {"run-dialog", "_root.WIN_CREH"},
      {"find-history", "_root.WIN_FH"},
      {"recent-documents", "_root.WIN_RD"},
      {"network-connections", "_root.WIN_RNC"},
      {"printer-connections", "_root.WIN_RPC"},
      {"regedit-history", "_root.WIN_RH"},
      {"regedit-recent", "_root.WIN_RRC"},
      {"log-files", "_root.WIN_CWLF"}}},
    {"netscape", "Netscape and Mozilla", "IDC_FS_NS", "Netscape",
     {{"mail", "_root.NS_MT"},
      {"history", "_root.NS_HI"},
      {"cache", "_root.NS_CA"},
      {"autocomplete", "_root.NS_AC"},
      {"cookies", "_root.NS_CO"}}},
    {"firefox", "Firefox", "IDC_FS_FF", "FireFox",
     {{"history", "_root.FF_CHATU"}, {"cache", "_root.FF_CCA"}, {"cookies", "_root.FF_CCO"}, {"bookmarks", "_root.FF_CB"}}},
    {"opera", "Opera", "IDC_FS_OP", "Opera", {{"history", "_root.OP_HI"}, {"cookies", "_root.OP_CO"}, {"cache", "_root.OP_CA"}}},
    {"aol", "AOL", "IDC_FS_AOL", "AOL", {{"temp", "_root.AOL_ICF"}, {"downloads", "_root.AOL_DF"}}},
    {"msn", "MSN Messenger", "IDC_FS_MSN", "MSN", {{"received-files", "_root.MSN_RFF"}, {"account", "_root.MSN_AS"}}},
    {"icq", "ICQ", "IDC_FS_ICQ", "ICQ",
     {{"bookmarks", "_root.ICQ_B"}, {"browser-cache", "_root.ICQ_BC"}, {"received-files", "_root.ICQ_RF"}, {"chats", "_root.ICQ_RCH"}}},
    {"yahoo", "Yahoo Messenger", "IDC_FS_YAHOO", "YahooMessenger", {{"pager", "_root.Yahoo_CPS"}, {"profiles", "_root.Yahoo_RYP"}}},
    {"office", "Office", "IDC_FS_MO", "Office",
     {{"access-mru", "_root.MO_AM"},
      {"word-mru", "_root.MO_WM"},
      {"excel-mru", "_root.MO_EM"},
      {"powerpoint-mru", "_root.MO_PM"},
      {"outlook-mru", "_root.MO_OM"},
      {"photo-editor-mru", "_root.MO_PEM"}}},
};

}  // namespace

std::string CleaningCategory::item_name(size_t position) const {
    if (position >= items.size()) return name;
    return std::string(name) + "." + items[position].name;
}

std::string CleaningCategory::option_list(const std::vector<size_t>& positions) const {
    std::string list;
    for (size_t i = 0; i < items.size(); ++i) {
        bool ticked = false;
        for (size_t position : positions) ticked |= position == i;
        list += (i ? "," : "") + std::string(ticked ? "1" : "0");
    }
    return list;
}

const std::vector<CleaningCategory>& cleaning_categories() { return kCategories; }

const CleaningCategory* category_named(std::string_view name) {
    for (const auto& category : kCategories)
        if (iequals(category.name, name)) return &category;
    return nullptr;
}

const CleaningCategory* category_of_engine_class(std::string_view engine_class) {
    for (const auto& category : kCategories)
        if (category.engine_class == engine_class) return &category;
    return nullptr;
}

std::optional<ItemRef> find_item(std::string_view full_name) {
    const size_t dot = full_name.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const CleaningCategory* category = category_named(full_name.substr(0, dot));
    if (!category) return std::nullopt;
    for (size_t i = 0; i < category->items.size(); ++i)
        if (iequals(category->items[i].name, full_name.substr(dot + 1))) return ItemRef{category, i};
    return std::nullopt;
}

std::string item_named_by_variable(std::string_view variable) {
    for (const auto& category : kCategories)
        for (size_t i = 0; i < category.items.size(); ++i)
            if (category.items[i].variable == variable) return category.item_name(i);
    return {};
}

std::vector<std::string> all_item_names() {
    std::vector<std::string> names;
    for (const auto& category : kCategories)
        for (size_t i = 0; i < category.items.size(); ++i) names.push_back(category.item_name(i));
    return names;
}

}  // namespace app
