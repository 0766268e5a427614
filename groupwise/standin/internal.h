// Pieces the post office's own files share.
#pragma once

#include "groupwise/standin/db.h"
#include "groupwise/standin/postoffice.h"

namespace gw::standin {

inline constexpr const char* kUserColumns =
    "id, userid, kind, display_name, first_name, last_name, email, title, department, phone";

inline UserRecord readUser(const Statement& st) {
  UserRecord u;
  u.id = st.int64(0);
  u.userId = st.text16(1);
  u.kind = st.int32(2);
  u.displayName = st.text16(3);
  u.firstName = st.text16(4);
  u.lastName = st.text16(5);
  u.email = st.text16(6);
  u.title = st.text16(7);
  u.department = st.text16(8);
  u.phone = st.text16(9);
  return u;
}

// Makes the connection wait for other programs' locks in short steps, running the wait
// hook between them, up to the wait limit.
void waitForOtherPrograms(Database& db);

}  // namespace gw::standin
