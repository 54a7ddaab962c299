// Where merged logs and exports go when the program lives where it cannot write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/process.h"
#include "support/record_builder.h"

namespace pkt {
namespace {

// Sets an environment variable for the scope, restoring its old value after.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~TScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ProgramDirectory, FallsBackToThePerUserFolderWhereTheProgramsFolderIsNotWritable) {
  test::TempFolder home, program;
  // A folder this user may write into is the program directory, and the probe leaves nothing there.
  EXPECT_EQ(ProgramDirectoryFor(program.path()), program.path());
  EXPECT_TRUE(std::filesystem::is_empty(program.path()));

  // /sys refuses new files to every user, the superuser included.
  TScopedEnv data("XDG_DATA_HOME", (home.path() + "/data").c_str());
  const std::string user = ProgramDirectoryFor("/sys");
  EXPECT_EQ(user, home.path() + "/data/pktview");
  EXPECT_TRUE(std::filesystem::is_directory(user));
  EXPECT_EQ(std::filesystem::status(user).permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_all);

  // Without XDG_DATA_HOME, or with a relative one, the folder is below HOME.
  TScopedEnv homeEnv("HOME", home.path().c_str());
  for (const char* value : {static_cast<const char*>(nullptr), "", "relative/data"}) {
    TScopedEnv unset("XDG_DATA_HOME", value);
    EXPECT_EQ(PerUserDirectory(), home.path() + "/.local/share/pktview");
  }
  EXPECT_EQ(ProgramDirectoryFor(home.File("missing")), home.path() + "/data/pktview");
  TScopedEnv noHome("HOME", nullptr);
  TScopedEnv noData("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(PerUserDirectory(), "");
  EXPECT_EQ(ProgramDirectoryFor("/sys"), "/sys");  // nowhere else to go: the merge reports the refusal
}

}  // namespace
}  // namespace pkt
