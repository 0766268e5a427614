// A mailbox of fake objects for the undo and duplicate tests: calendar items and the
// entries of personal books, found by identity, searched by kind and deleted, with
// failures a test can arrange.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "groupwise/error.h"
#include "tests/support/fakeobject.h"

namespace testing_support {

class FakeMailbox : public std::enable_shared_from_this<FakeMailbox> {
 public:
  struct Item {
    std::u16string className = u"GW.MESSAGE.APPOINTMENT";
    std::u16string subject;
    gw::Variant start;
    gw::Variant modified;  // ModifiedDate; empty for none
    bool deleted = false;
  };
  struct Entry {
    std::u16string name, email;
    gw::Variant modified;
    bool deleted = false;
  };

  std::u16string owner = u"alice";
  std::map<std::u16string, Item> items;                             // by MessageID
  std::map<std::u16string, std::map<std::u16string, Entry>> books;  // by name, EntryID
  std::vector<std::u16string> filters;                              // FindMessages calls
  int commits = 0;
  int deletes = 0;
  // The delete of this number (from 1) and every later one fail as the post office does.
  std::optional<int> storeFailsAtDelete;
  // Deletes of these identities are refused.
  std::map<std::u16string, std::string> refuse;

  static std::shared_ptr<FakeMailbox> make() { return std::make_shared<FakeMailbox>(); }

  std::u16string addItem(Item item) {
    std::u16string id = nextId();
    items[id] = std::move(item);
    return id;
  }
  std::u16string addEntry(const std::u16string& book, Entry entry) {
    std::u16string id = nextId();
    books[book][id] = std::move(entry);
    return id;
  }
  std::size_t liveItems() const {
    std::size_t n = 0;
    for (const auto& [id, item] : items) n += item.deleted ? 0 : 1;
    return n;
  }
  std::size_t liveEntries(const std::u16string& book) const {
    std::size_t n = 0;
    for (const auto& [id, e] : books.at(book)) n += e.deleted ? 0 : 1;
    return n;
  }

  gw::ObjectRef account() {
    auto self = shared_from_this();
    auto acc = std::make_shared<FakeObject>();
    acc->set("Owner", gw::Variant(owner));
    acc->method("GetMessage", [self](Args a) -> gw::Variant {
      auto it = self->items.find(a[0].toText());
      if (it == self->items.end() || it->second.deleted) throw gw::Error("no such item");
      return gw::Variant(self->itemObject(it->first));
    });
    acc->method("Commit", [self](Args) {
      ++self->commits;
      return gw::Variant();
    });
    acc->method("Calendar", [self](Args) {
      auto cal = std::make_shared<FakeObject>();
      cal->method("FindMessages", [self](Args a) {
        std::u16string filter = a[0].toText();
        self->filters.push_back(filter);
        std::u16string word = filter.substr(1, filter.size() - 2);  // "(TASK)"
        std::vector<gw::ObjectRef> found;
        for (const auto& [id, item] : self->items) {
          if (!item.deleted && item.className == u"GW.MESSAGE." + word) {
            found.push_back(self->itemObject(id));
          }
        }
        return gw::Variant(collection(found));
      });
      return gw::Variant(gw::ObjectRef(cal));
    });
    acc->method("AddressBooks", [self](Args) {
      auto list = std::make_shared<FakeObject>();
      list->method("Item", [self](Args a) -> gw::Variant {
        std::u16string name = a[0].toText();
        if (!self->books.count(name)) throw gw::Error("no such address book");
        return gw::Variant(self->bookObject(name));
      });
      return gw::Variant(gw::ObjectRef(list));
    });
    return acc;
  }

  gw::ObjectRef bookObject(const std::u16string& name) {
    auto self = shared_from_this();
    auto book = std::make_shared<FakeObject>();
    book->set("Name", gw::Variant(name));
    book->method("GetEntry", [self, name](Args a) -> gw::Variant {
      auto& entries = self->books[name];
      auto it = entries.find(a[0].toText());
      if (it == entries.end() || it->second.deleted) throw gw::Error("no such entry");
      return gw::Variant(self->entryObject(name, it->first));
    });
    book->method("AddressBookEntries", [self, name](Args) {
      std::vector<gw::ObjectRef> all;
      for (const auto& [id, e] : self->books[name]) {
        if (!e.deleted) all.push_back(self->entryObject(name, id));
      }
      return gw::Variant(collection(all));
    });
    return book;
  }

 private:
  using Args = std::span<const gw::Variant>;

  std::u16string nextId() {
    std::string n = std::to_string(++lastId_);
    return std::u16string(n.begin(), n.end());
  }

  static gw::ObjectRef collection(std::vector<gw::ObjectRef> elements) {
    auto list = std::make_shared<FakeObject>();
    list->set("Count", gw::Variant(static_cast<std::int32_t>(elements.size())));
    list->method("Item", [elements](Args a) {
      return gw::Variant(elements.at(static_cast<std::size_t>(a[0].toInt() - 1)));
    });
    return list;
  }

  void deleting(const std::u16string& id) {
    ++deletes;
    if (storeFailsAtDelete && deletes >= *storeFailsAtDelete) {
      throw gw::StoreError("The post office cannot be written: the disk is full");
    }
    if (refuse.count(id)) throw gw::Error(refuse[id]);
  }

  gw::ObjectRef itemObject(const std::u16string& id) {
    auto self = shared_from_this();
    auto obj = std::make_shared<FakeObject>();
    obj->set("MessageID", gw::Variant(id));
    obj->method("Subject", [self, id](Args) { return gw::Variant(self->items[id].subject); });
    obj->method("StartDate", [self, id](Args) { return self->items[id].start; });
    obj->method("ModifiedDate", [self, id](Args) { return self->items[id].modified; });
    obj->method("Delete", [self, id](Args) {
      self->deleting(id);
      self->items[id].deleted = true;
      return gw::Variant();
    });
    return obj;
  }

  gw::ObjectRef entryObject(const std::u16string& book, const std::u16string& id) {
    auto self = shared_from_this();
    auto obj = std::make_shared<FakeObject>();
    Entry& e = books[book][id];
    obj->set("EntryID", gw::Variant(id));
    obj->set("DisplayName", gw::Variant(e.name));
    obj->set("EMailAddress", gw::Variant(e.email));
    obj->set("ModifiedDate", e.modified);
    obj->method("Delete", [self, book, id](Args) {
      self->deleting(id);
      self->books[book][id].deleted = true;
      return gw::Variant();
    });
    return obj;
  }

  int lastId_ = 1000;
};

}  // namespace testing_support
