// The session object ("Application"): Login, the accounts it gives, proxy access, and
// where the post office lives and who logs in.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "groupwise/standin/objectbase.h"
#include "groupwise/standin/standin.h"

namespace gw::standin {
namespace {

std::u16string systemDisplayName(const std::string& user) {
  struct passwd* pw = ::getpwnam(user.c_str());
  if (!pw || !pw->pw_gecos) return {};
  std::string gecos = pw->pw_gecos;
  gecos = gecos.substr(0, gecos.find(','));
  return platform::fromUtf8(gecos);
}

class ProxyGrantorObject : public StandinObject {
 public:
  explicit ProxyGrantorObject(UserRecord user) : user_(std::move(user)) {}
  std::string_view typeName() const override { return "ProxyGrantor"; }
  Variant defaultValue() override { return Variant(user_.userId); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"UserID", 0}, {"Name", 1}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    getter(member, kind, args);
    return Variant(id == 0 ? user_.userId : user_.displayName);
  }

 private:
  UserRecord user_;
};

class ProxyGrantorsObject : public CollectionObject {
 public:
  explicit ProxyGrantorsObject(std::vector<UserRecord> users) : users_(std::move(users)) {}
  std::string_view typeName() const override { return "ProxyGrantors"; }

 protected:
  std::size_t count() override { return users_.size(); }
  ObjectRef at(std::size_t i) override { return std::make_shared<ProxyGrantorObject>(users_[i]); }

 private:
  std::vector<UserRecord> users_;
};

class SessionObject : public StandinObject {
 public:
  ~SessionObject() override {
    if (!po_) return;
    try {
      po_->flush();
    } catch (const std::exception&) {
      // The post office reports it when it closes; a caller that must know commits
      // before it lets the session go.
    }
  }
  std::string_view typeName() const override { return "Application"; }
  const PostOfficeRef& postOffice() const { return po_; }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{
        {"Login", 0}, {"RootAccount", 1}, {"proxy", 2}, {"ProxyGrantors", 3}};
    int id = table.find(member);
    if (id != 0 && po_) {
      if (auto v = savingMember(member, kind, args)) return *v;
    }
    switch (id) {
      case 0:
        method(member, kind);
        expectArgs(*this, member, args, 0);
        login();
        return {};
      case 1:
        getter(member, kind, args);
        requireLogin();
        return Variant(makeAccount(MailboxContext{po_, user_, user_}));
      case 2: {
        method(member, kind);
        expectArgs(*this, member, args, 1);
        requireLogin();
        return proxy(textArg(*this, member, args, 0));
      }
      case 3:
        getter(member, kind, args);
        requireLogin();
        return Variant(
            ObjectRef(std::make_shared<ProxyGrantorsObject>(po_->proxyGrantors(user_.id))));
      default:
        requireLogin();
        throwUnknownMember(*this, member);
    }
  }

 private:
  void requireLogin() const {
    if (!po_) throw Error("Not logged in to GroupWise: call Login first");
  }

  void login() {
    if (po_) return;
    std::string path = postOfficePath();
    std::string user = loginUserName();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
      if (!std::getenv("GW_POSTOFFICE")) makeParentFolders(path);
      NewUser first;
      first.userId = platform::fromUtf8(user);
      first.displayName = systemDisplayName(user);
      PostOffice::create(path, first);
    }
    auto po = PostOffice::open(path);
    auto u = po->findUser(platform::fromUtf8(user));
    if (!u) {
      throw Error("The post office " + path + " has no mailbox for the user \"" + user + "\"");
    }
    po_ = std::move(po);
    user_ = *u;
  }

  Variant proxy(const std::u16string& userId) {
    auto other = po_->findUser(userId);
    if (!other || other->kind != kPerson) {
      throw Error("There is no GroupWise user \"" + utf8(userId) + "\" in this post office");
    }
    if (other->id != user_.id && !po_->proxyGranted(other->id, user_.id)) {
      throw Error("The user \"" + utf8(other->userId) + "\" has not granted proxy access to \"" +
                  utf8(user_.userId) + "\"");
    }
    return Variant(makeAccount(MailboxContext{po_, *other, user_}));
  }

  UserRecord user_;
};

ObjectRef makeSession() {
  return std::make_shared<SessionObject>();
}

}  // namespace

void registerProgId() {
  gw::registerProgId("NovellGroupWareSession", &makeSession);
}

ObjectRef createSession() {
  return makeSession();
}

std::shared_ptr<PostOffice> sessionPostOffice(const ObjectRef& session) {
  auto* s = dynamic_cast<SessionObject*>(session.get());
  return s ? s->postOffice() : nullptr;
}

void makeParentFolders(const std::string& path) {
  for (std::size_t p = path.find('/', 1); p != std::string::npos; p = path.find('/', p + 1)) {
    ::mkdir(path.substr(0, p).c_str(), 0700);
  }
}

std::string postOfficePath() {
  if (const char* p = std::getenv("GW_POSTOFFICE"); p && *p) return p;
  return defaultPostOfficePath();
}

std::string defaultPostOfficePath() {
  std::string base;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) {
    base = x;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      struct passwd* pw = ::getpwuid(::geteuid());
      home = pw ? pw->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.local/share";
  }
  return base + "/marrowby/postoffice.db";
}

std::string loginUserName() {
  if (const char* u = std::getenv("GW_USER"); u && *u) return u;
  if (struct passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
  if (const char* u = std::getenv("USER"); u && *u) return u;
  return "user";
}

}  // namespace gw::standin
