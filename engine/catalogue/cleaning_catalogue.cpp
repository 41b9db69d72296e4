#include "engine/catalogue/cleaning_catalogue.h"

#include <initializer_list>
#include <memory>

#include "engine/cleaners/aol.h"
#include "engine/cleaners/chromium.h"
#include "engine/cleaners/firefox.h"
#include "engine/cleaners/icq.h"
#include "engine/cleaners/ie.h"
#include "engine/cleaners/misc_functions.h"
#include "engine/cleaners/msn.h"
#include "engine/cleaners/netscape.h"
#include "engine/cleaners/office.h"
#include "engine/cleaners/opera.h"
#include "engine/cleaners/yahoo_messenger.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

namespace {

// One item as a row of a category whose engine class is Cleaner: the members are Cleaner's own,
// so a row cannot call a member of another category's class.
template <class Cleaner>
struct Row {
    const char* name;  // "cookies": the category's name goes before it
    const char* variable;
    std::function<void(Cleaner&)> ticked;
    std::function<void(Cleaner&)> unticked = {};
    bool on_schedule = true;
    bool ticked_by_default = false;
    const char* caution = "";
};

struct Names {
    const char* name;
    const char* title;
    const char* screen;
    const char* command;
    const char* engine_class;
    const char* enabled = "";
};

// The object a step gets is one `create` made, so it is a Cleaner and the cast cannot miss.
template <class Cleaner>
CleaningStep step_of(std::function<void(Cleaner&)> member) {
    if (!member) return {};
    return [member = std::move(member)](EngineObject& object) { member(static_cast<Cleaner&>(object)); };
}

template <class Cleaner>
CatalogueCategory category(const Names& names, std::initializer_list<Row<Cleaner>> rows) {
    CatalogueCategory category{
        names.name,
        names.title,
        names.screen,
        names.command,
        names.engine_class,
        names.enabled,
        [engine_class = std::string(names.engine_class)] { return std::shared_ptr<EngineObject>(create<Cleaner>(engine_class)); },
        [](EngineObject& object) -> Event<std::string>& { return static_cast<Cleaner&>(object).ShowLog; },
        {}};
    for (const Row<Cleaner>& row : rows)
        category.items.push_back({std::string(names.name) + "." + row.name, row.variable, step_of(row.ticked),
                                  step_of(row.unticked), row.on_schedule, row.ticked_by_default, row.caution});
    return category;
}

std::vector<CatalogueCategory> build_catalogue() {
    using M = Misc_Functions;
    return {
        category<M>({"windows", "Windows", "windows", "IDC_FS_WIN", "Misc_Functions"},
                    {{"temp", "_root.WIN_TF", &M::CleanTemp},
                     {"cd-burning", "_root.WIN_CBTF", &M::DeleteCDBurningFolder},
                     {.name = "templates", .variable = "_root.WIN_TEM", .ticked = &M::DeleteTemplatesFolder, .caution = "msg851"},
                     {"recycle-bin", "_root.WIN_RB", &M::CleanRecycleBin},
                     {"direct3d-mru", "_root.WIN_DRA", &M::DeleteDirect3DMRU},
                     {"directinput-mru", "_root.WIN_DIRA", &M::DeleteDirectInputMRU},
                     {"directdraw-mru", "_root.WIN_DDRA", &M::DeleteDirectDrawMRU},
                     {"clipboard", "_root.WIN_CBD", &M::CleanClipboard},
                     {"userassist", "_root.WIN_UAH", &M::CleanUserAssistHistory},
                     {"common-dialog", "_root.WIN_CDH", &M::CleanCommonDialog},
                     {"paint-mru", "_root.WIN_MSPRF", &M::DeleteMsPaintMRU},
                     {"wordpad-mru", "_root.WIN_WRF", &M::CleanWordpadHistory},
                     {"media-player-mru", "_root.WIN_MPRF", &M::CleanMediaPlayerHistory},
                     // The box is stored with the profile, yet a schedule has never read it: a
                     // schedule the user set up long ago keeps doing what it did.
                     {.name = "run-dialog", .variable = "_root.WIN_CREH", .ticked = &M::CleanRunDialog,
                      .on_schedule = false},
                     {"find-history", "_root.WIN_FH", &M::CleanFindHistory},
                     {"recent-documents", "_root.WIN_RD", &M::CleanRecent},
                     {"network-connections", "_root.WIN_RNC", &M::CleanNetworkConnections},
                     {"printer-connections", "_root.WIN_RPC", &M::CleanPrinterConnections},
                     // Two boxes for the registry editor's history, both stored with profiles.
                     {"regedit-history", "_root.WIN_RH", &M::CleanRegEdit},
                     {"regedit-recent", "_root.WIN_RRC", &M::CleanRegEdit},
                     {"log-files", "_root.WIN_CWLF", &M::CleanWindowsLogFiles},
                     {"explorer-typed-paths", "_root.WIN_ETP", &M::CleanExplorerTypedPaths},
                     {"explorer-search", "_root.WIN_ESH", &M::CleanExplorerSearchHistory},
                     {"jump-lists", "_root.WIN_JL", &M::CleanJumpLists}}),
        // Ticked switches inline auto-completion off, unticked back on.
        category<IE>({"ie", "Internet Explorer", "ie", "IDC_FS_IE", "IE"},
                     {{"typed-urls", "_root.IE_TU", &IE::CleanTypedUrls},
                      {"autocomplete", "_root.IE_AC", &IE::DisableAutoComplete, &IE::EnableAutoComplete},
                      {.name = "downloads", .variable = "_root.IE_DF", .ticked = &IE::CleanDownloadDirectory, .caution = "msg850"},
                      {"cache", "_root.IE_CA", delete_cache_entries},
                      {"history", "_root.IE_HI", &IE::CleanHistory},
                      {"cookies", "_root.IE_CO", &IE::Remove_Cookies}}),
        category<Netscape>({"netscape", "Netscape and Mozilla", "netscape", "IDC_FS_NS", "Netscape", "_root.NS_Enabled"},
                           {{"mail", "_root.NS_MT", &Netscape::Delete_Mail},
                            {"history", "_root.NS_HI", &Netscape::Delete_History},
                            {"cache", "_root.NS_CA", &Netscape::Delete_Cache},
                            {"autocomplete", "_root.NS_AC", &Netscape::Delete_AutoComplete},
                            {"cookies", "_root.NS_CO", &Netscape::Delete_Cookies}}),
        category<FireFox>({"firefox", "Firefox", "firefox", "IDC_FS_FF", "FireFox", "_root.FF_Enabled"},
                          {{"history", "_root.FF_CHATU", &FireFox::Delete_History},
                           {"cache", "_root.FF_CCA", &FireFox::Delete_Cache},
                           {"cookies", "_root.FF_CCO", &FireFox::Delete_Cookies},
                           {.name = "bookmarks", .variable = "_root.FF_CB", .ticked = &FireFox::Delete_Bookmarks, .caution = "msg852"},
                           {"forms", "_root.FF_CFH", &FireFox::Delete_Form_History}}),
        category<Chromium>({"chromium", "Chrome, Edge and other Chromium browsers", "chromium", "IDC_FS_CR", "Chromium",
                            "_root.CR_Enabled"},
                           {{"history", "_root.CR_HI", &Chromium::Delete_History},
                            {"downloads", "_root.CR_DL", &Chromium::Delete_Downloads},
                            {"cookies", "_root.CR_CO", &Chromium::Delete_Cookies},
                            {"cache", "_root.CR_CA", &Chromium::Delete_Cache}}),
        category<Opera>({"opera", "Opera", "opera", "IDC_FS_OP", "Opera", "_root.OP_Enabled"},
                        {{"history", "_root.OP_HI", &Opera::CleanHistory},
                         {"cookies", "_root.OP_CO", &Opera::CleanCookies},
                         {"cache", "_root.OP_CA", &Opera::CleanCache}}),
        category<AOL>({"aol", "AOL", "aol", "IDC_FS_AOL", "AOL", "_root.AOL_Enabled"},
                      {{"temp", "_root.AOL_ICF", &AOL::CleanAOLTemp},
                       {.name = "downloads", .variable = "_root.AOL_DF", .ticked = &AOL::CleanAOLDownloads, .caution = "msg853"}}),
        category<Office>({"office", "Office", "office", "IDC_FS_MO", "Office"},
                         {{"access-mru", "_root.MO_AM", &Office::CleanOfficeAccessMRU},
                          {"word-mru", "_root.MO_WM", &Office::CleanOfficeWordMRU},
                          {"excel-mru", "_root.MO_EM", &Office::CleanOfficeExcelMRU},
                          {"powerpoint-mru", "_root.MO_PM", &Office::CleanOfficePowerPointMRU},
                          {"outlook-mru", "_root.MO_OM", &Office::CleanOfficeOutlookMRU},
                          {"photo-editor-mru", "_root.MO_PEM", &Office::CleanOfficePhotoEditorMRU}}),
        category<MSN>({"msn", "MSN Messenger", "msn", "IDC_FS_MSN", "MSN", "_root.MSN_Enabled"},
                      {{.name = "received-files", .variable = "_root.MSN_RFF", .ticked = &MSN::CleanMSNRecivedFolder, .caution = "msg854"},
                       {"account", "_root.MSN_AS", &MSN::CleanMSNAccountSettings}}),
        category<YahooMessenger>(
            {"yahoo", "Yahoo Messenger", "yahoo", "IDC_FS_YAHOO", "YahooMessenger", "_root.YAHOO_Enabled"},
            {{"pager", "_root.Yahoo_CPS", &YahooMessenger::CleanYahooPager},
             {"profiles", "_root.Yahoo_RYP", &YahooMessenger::CleanYahooProfiles}}),
        category<ICQ>({"icq", "ICQ", "icq", "IDC_FS_ICQ", "ICQ", "_root.ICQ_Enabled"},
                      {{.name = "bookmarks", .variable = "_root.ICQ_B", .ticked = &ICQ::CleanICQBookmarks, .caution = "msg855"},
                       {"browser-cache", "_root.ICQ_BC", &ICQ::CleanICQBrowserCache},
                       {"received-files", "_root.ICQ_RF", &ICQ::CleanICQReceivedFiles},
                       {"chats", "_root.ICQ_RCH", &ICQ::CleanICQChats}}),
    };
}

}  // namespace

const std::vector<CatalogueCategory>& cleaning_catalogue() {
    static const std::vector<CatalogueCategory> catalogue = build_catalogue();
    return catalogue;
}

const CatalogueCategory* catalogue_category(std::string_view name) {
    for (const auto& category : cleaning_catalogue())
        if (iequals(category.name, name)) return &category;
    return nullptr;
}

const CatalogueCategory* catalogue_category_of_command(std::string_view command) {
    for (const auto& category : cleaning_catalogue())
        if (iequals(category.command, command)) return &category;
    return nullptr;
}

const CatalogueItem* catalogue_item(std::string_view name) {
    for (const auto& category : cleaning_catalogue())
        for (const auto& item : category.items)
            if (iequals(item.name, name)) return &item;
    return nullptr;
}

const CatalogueItem* catalogue_item_of_variable(std::string_view variable) {
    for (const auto& category : cleaning_catalogue())
        for (const auto& item : category.items)
            if (item.variable == variable) return &item;
    return nullptr;
}

}  // namespace engine
