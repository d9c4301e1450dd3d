// What selecting the handset as the system's default audio device replaced, per direction and role,
// so that handing the default back puts back each role it changed, and only those. Header-only and
// platform-free; endpoint ids are the system's id texts.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace kprt5::rore {

enum class Direction { Render = 0, Capture = 1 };
enum class Role { Console = 0, Multimedia = 1, Communications = 2 };  // the system's role numbers

struct Slot {
  Direction direction;
  Role role;
};

inline constexpr std::array<Slot, 6> kSlots{{{Direction::Render, Role::Console},
                                             {Direction::Render, Role::Multimedia},
                                             {Direction::Render, Role::Communications},
                                             {Direction::Capture, Role::Console},
                                             {Direction::Capture, Role::Multimedia},
                                             {Direction::Capture, Role::Communications}}};

class DefaultRoleMemory {
 public:
  // A slot whose default is already the handset's endpoint needs no change; one with another
  // default, or with none, does.
  static bool NeedsSelect(const std::optional<std::wstring>& current, const std::wstring& handset) {
    return current != handset;
  }

  // The slot has just been made the handset's: remember what it replaced (nullopt: there was no
  // default). A later selection replaces an earlier memory, so the default in force right before the
  // latest change is the one handed back.
  void RememberSelected(Slot slot, std::optional<std::wstring> previous, std::wstring handset) {
    entries_[Index(slot)] = Entry{std::move(previous), std::move(handset)};
  }

  bool Remembers(Slot slot) const { return entries_[Index(slot)].has_value(); }
  bool RemembersAny() const {
    for (const std::optional<Entry>& entry : entries_)
      if (entry) return true;
    return false;
  }

  // What handing back puts into the slot, given its current default: the remembered default, but
  // only while the handset's endpoint still holds the slot (a default the user or the system chose
  // since then stays), and only when there was one to put back.
  std::optional<std::wstring> HandBackTarget(Slot slot, const std::optional<std::wstring>& current) const {
    const std::optional<Entry>& entry = entries_[Index(slot)];
    if (!entry || !entry->previous || current != entry->handset) return std::nullopt;
    return entry->previous;
  }

  void Forget(Slot slot) { entries_[Index(slot)].reset(); }

 private:
  struct Entry {
    std::optional<std::wstring> previous;
    std::wstring handset;
  };
  static std::size_t Index(Slot slot) {
    return static_cast<std::size_t>(slot.direction) * 3 + static_cast<std::size_t>(slot.role);
  }
  std::array<std::optional<Entry>, 6> entries_{};
};

}  // namespace kprt5::rore
