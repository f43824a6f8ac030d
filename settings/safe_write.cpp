#include "settings/safe_write.h"

namespace pelomar {

bool replaceFileText(ReplaceableFile& file, std::string_view text) {
    const bool exists = file.exists();
    if (exists && file.isReadOnly()) return false;
    switch (file.writeTemporary(text)) {
    case ReplaceableFile::TempResult::Written:
        if (file.replaceWithTemporary()) return true;
        // The old file refused to be replaced (locked, denied): it stays as
        // it was, and so does its text.
        file.removeTemporary();
        return false;
    case ReplaceableFile::TempResult::Failed:
        // Most likely a full disk: rewriting in place could cut the old file.
        return false;
    case ReplaceableFile::TempResult::CannotCreate:
        break;
    }
    return exists && file.rewriteInPlace(text);
}

}  // namespace pelomar
