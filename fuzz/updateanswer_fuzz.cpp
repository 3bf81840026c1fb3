// Fuzzes the reading of the maker's version file.
#include "update/version.h"
#include "fuzzinput.h"
#include "net/pagefetch.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = net::decodeBody(fuzzBody(data, size), fuzzContentType(data, size));
    const QString field = versionField(answer);
    const UpdateVerdict verdict = updateVerdict(answer);

    // The field is a piece of the answer, and the verdict follows from it.
    if (!answer.contains(field))
        std::abort();
    if (verdict == UpdateVerdict::Current && field != kProgramVersion)
        std::abort();
    if (verdict == UpdateVerdict::Newer && (field.isEmpty() || field == kProgramVersion))
        std::abort();
    if (verdict == UpdateVerdict::Newer)
        (void)newerVersionMessage(field);
    return 0;
}
