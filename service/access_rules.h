// Who may reach the service: the security of the view pipe and of the
// install folder, as SDDL text the Windows side hands to
// ConvertStringSecurityDescriptorToSecurityDescriptorA, and the decision
// which install folders need a security of their own. Portable, so that the
// tests read them as data: who is denied or allowed what.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// The view pipe's DACL, protected from inheritance:
// - NETWORK (any logon over the network) denied everything, first, so that
//   no allow below lets a remote client in where the system has no
//   PIPE_REJECT_REMOTE_CLIENTS (XP);
// - SYSTEM and Administrators everything;
// - interactive users read and write, but without FILE_CREATE_PIPE_INSTANCE
//   (the FILE_APPEND_DATA bit of a pipe): a user who could create another
//   instance of the name would receive the next view's connection and play
//   the service to it.
extern const char kViewPipeSddl[];

// The install folder of a service binary outside Program Files: owned by
// Administrators, its DACL protected from what the parent folder grants
// (on the system drive's root every authenticated user may create and
// append), everything for SYSTEM and Administrators, read and execute for
// Users, all of it inherited by the files and folders inside.
extern const char kInstallFolderSddl[];

// Whether `folder` (a full path, as GetFullPathName gives it) lies in one of
// `programFiles` (the system's Program Files folders), whose security lets
// only administrators write: then it keeps what it inherits. Anything that
// is not plainly inside (another drive, a "." or ".." component, a folder
// whose name only starts like one) needs the install folder's own security.
bool InsideProgramFiles(const std::string& folder, const std::vector<std::string>& programFiles);

}  // namespace vantrel
