#include "shell/utf8locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <string>
#include <strings.h>

namespace qrn {

namespace {

bool utf8Codeset()
{
    const char *codeset = nl_langinfo(CODESET);
    return codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
}

} // namespace

bool useUtf8CharacterSet()
{
    std::setlocale(LC_ALL, "");
    if (utf8Codeset())
        return true;
    // The locale's own UTF-8 variant ("it_IT" or "it_IT.ISO-8859-1" gives "it_IT.UTF-8"), else C.UTF-8.
    const char *current = std::setlocale(LC_CTYPE, nullptr);
    std::string base = current ? current : "C";
    base = base.substr(0, base.find_first_of(".@"));
    std::string chosen;
    for (const std::string &name : {base + ".UTF-8", std::string("C.UTF-8"), std::string("C.utf8")})
        if (std::setlocale(LC_CTYPE, name.c_str())) {
            chosen = name;
            break;
        }
    if (chosen.empty())
        return false;
    // LC_ALL would win over LC_CTYPE: its value goes to each other category instead, so that only
    // the character set changes.
    if (const char *all = std::getenv("LC_ALL"); all && *all) {
        const std::string value = all;
        for (const char *category : {"LC_COLLATE", "LC_MESSAGES", "LC_MONETARY", "LC_NUMERIC", "LC_TIME"})
            setenv(category, value.c_str(), 1);
        unsetenv("LC_ALL");
    }
    setenv("LC_CTYPE", chosen.c_str(), 1);
    std::setlocale(LC_ALL, "");
    return utf8Codeset();
}

} // namespace qrn
