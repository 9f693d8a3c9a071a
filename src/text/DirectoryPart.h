// The directory part of a stored path, and the quote removal applied before taking it.
#pragma once

#include <string>
#include <string_view>

namespace hublane::text {

/// The directory part of a Windows-style text: everything up to and including the last backslash
/// or colon, except that a final backslash is dropped when the character before it is neither a
/// colon nor another backslash. No backslash or colon gives an empty text.
/// "C:\Dir\prog.exe,0" -> "C:\Dir", "C:\Dir\" -> "C:\Dir", "C:\" -> "C:\", "name" -> "".
std::string DirectoryPart(std::string_view text);

/// The same rule for an absolute POSIX path, with '/' as the only separator: "/opt/ed2k/bin/ed2k"
/// -> "/opt/ed2k/bin", "/opt/" -> "/opt", "/" -> "/". No slash gives an empty text.
std::string PosixDirectoryPart(std::string_view text);

/// True for a text that names a folder or file the POSIX way (it starts with '/'). Windows texts
/// never do: they start with a drive letter or, for shares, with a backslash.
bool IsPosixPath(std::string_view text);

/// The directory part in the text's own style: PosixDirectoryPart for POSIX paths, DirectoryPart
/// for everything else, so stored Windows values keep their exact meaning on every platform.
std::string FolderOf(std::string_view text);

/// The separator that ends a folder written in the text's style: '/' for POSIX paths, '\' else.
char FolderSeparator(std::string_view text);

/// The text with every double-quote character removed.
std::string RemoveDoubleQuotes(std::string_view text);

}  // namespace hublane::text
