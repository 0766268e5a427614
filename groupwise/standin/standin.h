// The stand-in for the GroupWise object API: a session object registered under the
// ProgID "NovellGroupWareSession" whose Login opens a post office file.
#pragma once

#include <memory>
#include <string>

#include "groupwise/object.h"

namespace gw::standin {

class PostOffice;

// Registers the ProgID; safe to call more than once.
void registerProgId();

// $GW_POSTOFFICE, else defaultPostOfficePath().
std::string postOfficePath();
// postoffice.db in the user's data folder ($XDG_DATA_HOME/marrowby, else
// ~/.local/share/marrowby).
std::string defaultPostOfficePath();
// Makes the folders the file `path` needs, readable by their owner only, as Login does
// for the default post office.
void makeParentFolders(const std::string& path);
// $GW_USER, else the login name of the system user.
std::string loginUserName();

// A new session object, as createOleObject("NovellGroupWareSession") gives.
ObjectRef createSession();

// The post office a logged-in session uses (for tools and tests); null before Login.
std::shared_ptr<PostOffice> sessionPostOffice(const ObjectRef& session);

}  // namespace gw::standin
