// The user, system and thread locales and their code pages, taken from the process's LC_ALL or LANG.
#include <windows.h>

#include "internal/locale.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <strings.h>

namespace {

struct locale_entry {
    const char *name;  // language_TERRITORY as the environment spells it
    LANGID lang;
    UINT acp, oemcp, maccp;
};

// The first entry of a language is the one a bare language name ("zh", "en") stands for.
const locale_entry locales[] = {
    {"en_US", 0x0409, 1252, 437, 10000},   {"en_GB", 0x0809, 1252, 850, 10000},
    {"en_AU", 0x0C09, 1252, 850, 10000},   {"en_CA", 0x1009, 1252, 850, 10000},
    {"en_NZ", 0x1409, 1252, 850, 10000},   {"en_IE", 0x1809, 1252, 850, 10000},
    {"zh_CN", 0x0804, 936, 936, 10008},    {"zh_TW", 0x0404, 950, 950, 10002},
    {"zh_HK", 0x0C04, 950, 950, 10002},    {"zh_SG", 0x1004, 936, 936, 10008},
    {"zh_MO", 0x1404, 950, 950, 10002},    {"ja_JP", 0x0411, 932, 932, 10001},
    {"ko_KR", 0x0412, 949, 949, 10003},    {"de_DE", 0x0407, 1252, 850, 10000},
    {"de_AT", 0x0C07, 1252, 850, 10000},   {"de_CH", 0x0807, 1252, 850, 10000},
    {"fr_FR", 0x040C, 1252, 850, 10000},   {"fr_BE", 0x080C, 1252, 850, 10000},
    {"fr_CA", 0x0C0C, 1252, 863, 10000},   {"fr_CH", 0x100C, 1252, 850, 10000},
    {"it_IT", 0x0410, 1252, 850, 10000},   {"es_ES", 0x0C0A, 1252, 850, 10000},
    {"es_MX", 0x080A, 1252, 850, 10000},   {"pt_BR", 0x0416, 1252, 850, 10000},
    {"pt_PT", 0x0816, 1252, 860, 10000},   {"nl_NL", 0x0413, 1252, 850, 10000},
    {"sv_SE", 0x041D, 1252, 850, 10000},   {"da_DK", 0x0406, 1252, 850, 10000},
    {"nb_NO", 0x0414, 1252, 850, 10000},   {"fi_FI", 0x040B, 1252, 850, 10000},
    {"ru_RU", 0x0419, 1251, 866, 10007},   {"uk_UA", 0x0422, 1251, 866, 10017},
    {"pl_PL", 0x0415, 1250, 852, 10029},   {"cs_CZ", 0x0405, 1250, 852, 10029},
    {"hu_HU", 0x040E, 1250, 852, 10029},   {"el_GR", 0x0408, 1253, 737, 10006},
    {"tr_TR", 0x041F, 1254, 857, 10081},   {"he_IL", 0x040D, 1255, 862, 10005},
    {"th_TH", 0x041E, 874, 874, 10021},    {"vi_VN", 0x042A, 1258, 1258, 10000},
    {nullptr, LOCALE_INVARIANT, 1252, 437, 10000},
};
const locale_entry &default_locale = locales[0];

const locale_entry *find_by_lang(LANGID lang)
{
    for (const locale_entry &e : locales)
        if (e.lang == lang) return &e;
    return nullptr;
}

// "zh_CN.UTF-8@modifier" names zh_CN; "zh" alone names the language's first entry.
const locale_entry &find_by_name(const char *value)
{
    if (!value) return default_locale;
    size_t len = strcspn(value, ".@");
    if (len == 5 && value[2] == '_') {
        for (const locale_entry &e : locales)
            if (e.name && strncmp(e.name, value, 5) == 0) return e;
    }
    if (len == 2 || (len > 2 && value[2] == '_')) {
        for (const locale_entry &e : locales)
            if (e.name && strncmp(e.name, value, 2) == 0) return e;
    }
    return default_locale;  // C, POSIX and anything unknown
}

// Windows fixes the user locale when the process starts; so do we, the first time anything asks.
const locale_entry &process_locale()
{
    static const locale_entry &entry = [] () -> const locale_entry & {
        const char *all = getenv("LC_ALL");
        return find_by_name(all && *all ? all : getenv("LANG"));
    }();
    return entry;
}
const locale_entry &process_locale_at_load = process_locale();

thread_local const locale_entry *thread_locale = nullptr;  // null: the user default

const locale_entry &current_thread_locale()
{
    return thread_locale ? *thread_locale : process_locale();
}

}  // namespace

namespace win32 {

UINT thread_ansi_code_page() { return current_thread_locale().acp; }
UINT mac_code_page() { return process_locale().maccp; }

UINT code_page_of_locale(const char *lc_all, const char *lc_ctype, const char *lang)
{
    const char *name = lc_all && *lc_all ? lc_all : lc_ctype && *lc_ctype ? lc_ctype : lang;
    if (!name)
        return default_locale.acp;
    const char *codeset = strchr(name, '.');
    if (codeset) {
        std::string set(codeset + 1, strcspn(codeset + 1, "@"));
        if (strcasecmp(set.c_str(), "UTF-8") == 0 || strcasecmp(set.c_str(), "utf8") == 0)
            return CP_UTF8;
    }
    return find_by_name(name).acp;
}

}  // namespace win32

UINT WINAPI GetACP(void) { return process_locale().acp; }
UINT WINAPI GetOEMCP(void) { return process_locale().oemcp; }
LANGID WINAPI GetUserDefaultLangID(void) { return process_locale().lang; }
LANGID WINAPI GetSystemDefaultLangID(void) { return process_locale().lang; }
LANGID WINAPI GetUserDefaultUILanguage(void) { return process_locale().lang; }
LCID WINAPI GetUserDefaultLCID(void) { return MAKELCID(process_locale().lang, SORT_DEFAULT); }

LCID WINAPI GetThreadLocale(void) { return MAKELCID(current_thread_locale().lang, SORT_DEFAULT); }

// Accepts the locales of the table above with the default sort order, and the user, system and
// invariant stand-ins.
BOOL WINAPI SetThreadLocale(LCID Locale)
{
    const locale_entry *entry = nullptr;
    if (Locale == LOCALE_USER_DEFAULT || Locale == LOCALE_SYSTEM_DEFAULT) entry = &process_locale();
    else if (Locale == MAKELCID(LANGIDFROMLCID(Locale), SORT_DEFAULT)) entry = find_by_lang(LANGIDFROMLCID(Locale));
    if (!entry) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    thread_locale = entry;
    return TRUE;
}
