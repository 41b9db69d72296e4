#pragma once
// The movie variables whose state belongs to a profile, in the order they are stored and restored.
#include <array>

namespace app {

// Every tick box of the main movie.
inline constexpr std::array<const char*, 71> kCheckBoxNames = {
    // Windows
    "_root.WIN_BF", "_root.WIN_AEFH", "_root.WIN_TF", "_root.WIN_SDTF", "_root.WIN_CBTF", "_root.WIN_TEM",
    "_root.WIN_RB", "_root.WIN_DRA", "_root.WIN_DIRA", "_root.WIN_DDRA", "_root.WIN_CBD", "_root.WIN_UAH",
    "_root.WIN_CDH", "_root.WIN_MSPRF", "_root.WIN_WRF", "_root.WIN_MPRF", "_root.WIN_RH", "_root.WIN_FH",
    "_root.WIN_RD", "_root.WIN_RNC", "_root.WIN_RPC", "_root.WIN_RRC", "_root.WIN_UDS", "_root.WIN_USS",
    "_root.WIN_OHWI", "_root.WIN_CWTF", "_root.WIN_EB", "_root.WIN_EAS", "_root.WIN_CWLF", "_root.WIN_CREH",
    // Internet Explorer
    "_root.IE_TU", "_root.IE_AC", "_root.IE_DF", "_root.IE_CA", "_root.IE_HI", "_root.IE_CO",
    // Netscape
    "_root.NS_MT", "_root.NS_HI", "_root.NS_CA", "_root.NS_AC", "_root.NS_CO",
    // Firefox
    "_root.FF_CHATU", "_root.FF_CCA", "_root.FF_CCO", "_root.FF_CB",
    // Opera, AOL
    "_root.OP_HI", "_root.OP_CO", "_root.OP_CA", "_root.AOL_ICF", "_root.AOL_DF", "_root.OP_LWWS",
    // Office
    "_root.MO_AM", "_root.MO_WM", "_root.MO_EM", "_root.MO_OM", "_root.MO_PM", "_root.MO_PEM",
    // Shredder drive flag, DLL backup before delete
    "_root.SH_SFSO", "_root.DLL_BBD",
    // Messengers
    "_root.MSN_RFF", "_root.MSN_AS", "_root.Yahoo_CPS", "_root.Yahoo_RYP", "_root.ICQ_B", "_root.ICQ_BC",
    "_root.ICQ_RF", "_root.ICQ_RCH",
    // Options
    "_root.AS3_DIS", "_root.AS3_Ena", "_root.AS8_Ena", "_root.EnablePingerCB_E"};

// The Internet Explorer show/hide toggles, in Show/Hide pairs except for the passwords.
inline constexpr std::array<const char*, 6> kButtonNames = {
    "_root.TypedUrls_Show", "_root.TypedUrls_Hide", "_root.Favorites_Show",
    "_root.Favorites_Hide", "_root.Password_Hide",  "_root.Password_Show"};

// The connection booster's wizard modes A..G and the Windows default.
inline constexpr std::array<const char*, 8> kWizardModeNames = {
    "_root.ISB_WM_AA", "_root.ISB_WM_AB", "_root.ISB_WM_AC", "_root.ISB_WM_AD",
    "_root.ISB_WM_AE", "_root.ISB_WM_AF", "_root.ISB_WM_AG", "_root.ISB_WM_WD"};

}  // namespace app
