// Names from a FAT volume in the installation's code page.
#include "platform/image/volume_names.h"

#include <gtest/gtest.h>

namespace veskaro::platform {
namespace {

TEST(VolumeNamesTest, LongAndShortNamesInTheCodePage) {
  const VolumeNames names(1252);
  EXPECT_EQ(names.FromUtf8("Halvorsen Audio.INF"), "Halvorsen Audio.INF");
  EXPECT_EQ(names.FromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xE9 \x80");
  // What the code page lacks, or what is no UTF-8, becomes "?" character by character.
  EXPECT_EQ(names.FromUtf8("a\xE6\x97\xA5\xE6\x9C\xAC" "b"), "a??b");
  EXPECT_EQ(names.FromUtf8("a\xFF" "b\xC3"), "a?b?");
  // 8.3 names are bytes of DOS code page 850: 0x82 is "é", 0x90 "É".
  EXPECT_EQ(names.FromOem("CAF\x90.TXT"), "CAF\xC9.TXT");
  EXPECT_EQ(names.FromOem("caf\x82"), "caf\xE9");

  const VolumeNames central(1250);  // DOS code page 852
  EXPECT_EQ(central.FromUtf8("\xC5\xA0kola"), "\x8Akola");
  EXPECT_EQ(central.FromOem("\xE6KOLA"), "\x8AKOLA");
}

}  // namespace
}  // namespace veskaro::platform
