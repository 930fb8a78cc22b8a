#include <gtest/gtest.h>

#include "encoding/ByteBuffer.h"

namespace velmora {
namespace {

TEST(ByteBuffer, ConversionsWithTexts) {
    EXPECT_EQ(BytesToText(ByteBuffer{0x61, 0x00, 0x62}), "a");
    EXPECT_EQ(BytesToText(ByteBuffer{0x61, 0x62}), "ab");
    EXPECT_EQ(BytesToText(ByteBuffer{}), "");
    EXPECT_TRUE(TextToBytes("").empty());
    EXPECT_EQ(TextToBytes("\xC4\xE3"), (ByteBuffer{0xC4, 0xE3}));
}

TEST(ByteBuffer, BlankConcatLength) {
    EXPECT_TRUE(BlankBytes(0).empty());
    EXPECT_TRUE(BlankBytes(-1).empty());
    EXPECT_EQ(BlankBytes(3), (ByteBuffer{0, 0, 0}));
    EXPECT_EQ(ConcatBytes(ByteBuffer{1, 0}, ByteBuffer{}, ByteBuffer{0, 2}),
              (ByteBuffer{1, 0, 0, 2}));
    EXPECT_TRUE(ConcatBytes(ByteBuffer{}, ByteBuffer{}).empty());
    EXPECT_EQ(BytesLength(ByteBuffer{0, 0}), 2);
}

TEST(ByteBuffer, FromPointerCopiesZerosToo) {
    const std::uint8_t raw[] = {1, 0, 2, 3};
    auto copy = BytesFromPointer(reinterpret_cast<std::uintptr_t>(raw), 3);
    EXPECT_EQ(copy, (ByteBuffer{1, 0, 2}));
    EXPECT_TRUE(BytesFromPointer(reinterpret_cast<std::uintptr_t>(raw), 0).empty());
    EXPECT_TRUE(BytesFromPointer(0, 5).empty());
}

}  // namespace
}  // namespace velmora
