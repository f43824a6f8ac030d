// Replacing a file's whole text without ever leaving it half written: the
// new text goes into a temporary file beside it, which then takes the old
// file's place in one step. Only where the directory refuses new files is
// the old file rewritten in place. A read-only file is left alone.
#pragma once

#include <string_view>

namespace pelomar {

class ReplaceableFile {
public:
    enum class TempResult { Written, CannotCreate, Failed };

    virtual ~ReplaceableFile() = default;
    virtual bool exists() = 0;
    virtual bool isReadOnly() = 0;
    // A failed write removes what it had written itself.
    virtual TempResult writeTemporary(std::string_view text) = 0;
    virtual bool replaceWithTemporary() = 0;
    virtual void removeTemporary() = 0;
    virtual bool rewriteInPlace(std::string_view text) = 0;
};

// True when the file now holds the text.
bool replaceFileText(ReplaceableFile& file, std::string_view text);

}  // namespace pelomar
