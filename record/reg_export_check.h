// The check a service's registry export passes before the registry editor may import it.
#pragma once

#include <string>

namespace pell {

// Why the export must not be imported: it names a key other than the service's own key or one below it,
// or holds anything the editor might read otherwise than this check does or that cannot be parsed.
// Empty when it may be imported. Lines end as the editor ends them: at CR LF, at LF and at a lone CR.
std::wstring ExportRefusal(const std::string& bytes, const std::wstring& service);

}  // namespace pell
