#pragma once
// How a file of a walk is created by path in a held directory. A free name gets a new file. At a name that is
// taken, what CREATE_ALWAYS with FILE_ATTRIBUTE_NORMAL and no sharing does to an ordinary file: the same file object
// emptied (its ACL, owner and file ID kept), and the same failures for a file in use (32) or one that is read-only,
// hidden or system (5). Only a link, or one name of a file that has several, is replaced by the name alone, so that
// what the link names, or the file's other name, keeps its content.

#include <windows.h>

#include <string>

namespace quibel {

// directory: the held directory's handle, whose name tells whether the open of an existing name led elsewhere.
// Returns the file, open for reading and writing and shared with nobody; throws EFCreateError (full path, system
// text).
HANDLE CreateFileOfWalk(HANDLE directory, const std::string& path, const std::string& name);

}  // namespace quibel
