// The records these tests compare carry the verdict texts as written
// (Japanese); a child scanlark-check takes its language from the
// environment it inherits, so every test starts from a Japanese desktop's.
#include <cstdlib>
#include <initializer_list>

namespace {

const bool kJapanese = [] {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        ::unsetenv(name);
    return ::setenv("LANG", "ja_JP.UTF-8", 1) == 0;
}();

}  // namespace
