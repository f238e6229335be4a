#include "platform/util/dialog_init.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using platform::DialogInitRecord;
using platform::parse_dialog_init;

void put_record(std::vector<std::uint8_t>* out, std::uint16_t control, std::uint16_t message,
                const std::string& text, std::uint32_t length) {
  auto word = [&](std::uint16_t w) {
    out->push_back(static_cast<std::uint8_t>(w & 0xFF));
    out->push_back(static_cast<std::uint8_t>(w >> 8));
  };
  word(control);
  word(message);
  word(static_cast<std::uint16_t>(length & 0xFFFF));
  word(static_cast<std::uint16_t>(length >> 16));
  out->insert(out->end(), text.begin(), text.end());
}

TEST(DialogInitTest, ReadsUnalignedRecordsUpToTheEndMark) {
  std::vector<std::uint8_t> data;
  put_record(&data, 1024, 0x0403, std::string("English\0", 8), 8);
  put_record(&data, 1024, 0x0403, std::string("Korean\0", 7), 7);  // odd: the next is unaligned
  put_record(&data, 1025, 0x0401, std::string("\0", 1), 1);
  data.insert(data.end(), {0, 0});
  data.push_back(0xEE);  // padding after the end mark is not read

  std::vector<DialogInitRecord> records;
  ASSERT_TRUE(parse_dialog_init(data.data(), data.size(), &records));
  ASSERT_EQ(3u, records.size());
  EXPECT_EQ(1024, records[0].control);
  EXPECT_EQ(0x0403, records[0].message);
  EXPECT_EQ("English", records[0].text);
  EXPECT_EQ("Korean", records[1].text);
  EXPECT_EQ(1025, records[2].control);
  EXPECT_EQ(0x0401, records[2].message);
  EXPECT_EQ("", records[2].text);
}

TEST(DialogInitTest, DamagedDataKeepsTheGoodRecordsAndReadsNothingBeyond) {
  std::vector<std::uint8_t> good;
  put_record(&good, 1024, 0x0403, std::string("English\0", 8), 8);
  std::vector<DialogInitRecord> records;

  // A length that runs past the end: the first record stays, no overrun.
  std::vector<std::uint8_t> data = good;
  put_record(&data, 1024, 0x0403, "Kor", 0xFFFFFFF0u);
  EXPECT_FALSE(parse_dialog_init(data.data(), data.size(), &records));
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ("English", records[0].text);

  // No end mark, a cut header, an odd byte where the end mark should be.
  EXPECT_FALSE(parse_dialog_init(good.data(), good.size(), &records));
  EXPECT_EQ(1u, records.size());
  data = good;
  data.insert(data.end(), {0x00, 0x04, 0x03});
  EXPECT_FALSE(parse_dialog_init(data.data(), data.size(), &records));
  data = good;
  data.push_back(0);
  EXPECT_FALSE(parse_dialog_init(data.data(), data.size(), &records));

  // A text without terminator ends with its record.
  data.clear();
  put_record(&data, 7, 0x0403, "ABC", 3);
  data.insert(data.end(), {0, 0});
  ASSERT_TRUE(parse_dialog_init(data.data(), data.size(), &records));
  EXPECT_EQ("ABC", records.at(0).text);

  EXPECT_FALSE(parse_dialog_init(nullptr, 0, &records));
  EXPECT_TRUE(records.empty());
  const std::uint8_t end_only[] = {0, 0};
  EXPECT_TRUE(parse_dialog_init(end_only, 2, &records));
  EXPECT_TRUE(records.empty());
}

}  // namespace
