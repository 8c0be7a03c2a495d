#include <gtest/gtest.h>

#include "blockdata/SavePath.h"

TEST(SavePath, DirectoryOfWindowsPaths) {
  EXPECT_EQ(DirectoryOf("C:\\data\\HeapData"), "C:\\data");
  EXPECT_EQ(DirectoryOf("C:\\data\\sub\\x.bin"), "C:\\data\\sub");
  EXPECT_EQ(DirectoryOf("C:/data/x.bin"), "C:/data");
  EXPECT_EQ(DirectoryOf("C:\\data/x.bin"), "C:\\data");
  EXPECT_EQ(DirectoryOf("C:\\x.bin"), "C:\\");
  EXPECT_EQ(DirectoryOf("C:/x.bin"), "C:/");
  EXPECT_EQ(DirectoryOf("C:x.bin"), "C:");
  EXPECT_EQ(DirectoryOf("\\x.bin"), "\\");
  EXPECT_EQ(DirectoryOf("\\\\server\\share\\x.bin"), "\\\\server\\share");
  EXPECT_EQ(DirectoryOf("C:\\data\\\\x.bin"), "C:\\data");
  EXPECT_EQ(DirectoryOf("x.bin"), ".");
  EXPECT_EQ(DirectoryOf(""), ".");
}
