#include "platform/win32/unique_resource.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

namespace {

bool handleIsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

HANDLE newEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

// The sentinel is part of the type: a CreateFile handle is not a CreateEvent handle.
static_assert(!std::is_same_v<UniqueHandle, UniqueFileHandle>);
static_assert(!std::is_copy_constructible_v<UniqueHandle>);

TEST(UniqueResource, MoveAssignmentOverALiveHandleClosesTheOldOne) {
  HANDLE first = newEvent();
  HANDLE second = newEvent();
  ASSERT_TRUE(first && second);
  UniqueHandle a(first);
  UniqueHandle b(second);
  a = std::move(b);
  EXPECT_FALSE(handleIsOpen(first));
  EXPECT_TRUE(handleIsOpen(second));
  EXPECT_EQ(a.get(), second);
  EXPECT_FALSE(b.valid());
  a = std::move(a);  // self-move keeps the handle
  EXPECT_TRUE(handleIsOpen(second));
}

TEST(UniqueResource, ScopeEndClosesAndReleaseHandsOver) {
  HANDLE kept = newEvent();
  HANDLE dropped = newEvent();
  {
    UniqueHandle k(kept);
    UniqueHandle d(dropped);
    EXPECT_EQ(k.release(), kept);
    EXPECT_FALSE(k);
  }
  EXPECT_FALSE(handleIsOpen(dropped));
  EXPECT_TRUE(handleIsOpen(kept));
  CloseHandle(kept);
}

TEST(UniqueResource, FileHandleSentinelIsInvalidHandleValue) {
  UniqueFileHandle none;
  EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
  UniqueFileHandle failed(
      CreateFileA("C:\\no such directory\\x", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(failed.valid());
  UniqueHandle plain;
  EXPECT_EQ(plain.get(), nullptr);
}

TEST(UniqueResource, PutClosesTheHeldValueFirst) {
  HANDLE old = newEvent();
  UniqueHkey unused;
  UniqueHandle h(old);
  *h.put() = newEvent();
  EXPECT_FALSE(handleIsOpen(old));
  EXPECT_TRUE(handleIsOpen(h.get()));
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, unused.put()),
            ERROR_SUCCESS);
  EXPECT_TRUE(unused.valid());
}
