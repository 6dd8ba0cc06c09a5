#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer/HeaderStreamReader.h"

using namespace vostrelle;

namespace {

struct Outcome {
  HeaderStreamReader::Result result = HeaderStreamReader::kOk;
  bool complete = false;
  std::size_t consumed = 0;  // over all chunks up to completion
  FieldMap fields;
};

// Feeds text cut at the given positions, stopping at completion or a fault.
Outcome Feed(const std::string& text, const std::vector<std::size_t>& cuts) {
  Outcome out;
  HeaderStreamReader reader;
  std::size_t from = 0;
  std::vector<std::size_t> ends = cuts;
  ends.push_back(text.size());
  for (std::size_t end : ends) {
    std::size_t consumed = 0;
    out.result = reader.Read(out.fields, text.data() + from, end - from, consumed, out.complete);
    if (out.result != HeaderStreamReader::kOk) return out;
    out.consumed += consumed;
    if (out.complete) return out;
    from = end;
  }
  return out;
}

const std::string kResponse =
    "VSTP/1.0\r\nCommand: SendFile\r\nResponse: Failure\r\nCause: \x91\x97\x90\x4D\r\n\r\nBODY";

}  // namespace

TEST(HeaderStreamReader, SameResultWhereverTheStreamIsCut) {
  const Outcome whole = Feed(kResponse, {});
  ASSERT_TRUE(whole.complete);
  EXPECT_EQ(whole.consumed, kResponse.size() - 4);  // the body is left alone
  EXPECT_EQ(whole.fields.at("Cause"), "\x91\x97\x90\x4D");
  for (std::size_t cut = 0; cut <= kResponse.size(); ++cut) {
    const Outcome split = Feed(kResponse, {cut});
    EXPECT_TRUE(split.complete) << cut;
    EXPECT_EQ(split.consumed, whole.consumed) << cut;
    EXPECT_EQ(split.fields, whole.fields) << cut;
  }
  // One byte per call, the way a request is read.
  std::vector<std::size_t> everyByte;
  for (std::size_t i = 1; i < kResponse.size(); ++i) everyByte.push_back(i);
  const Outcome bytes = Feed(kResponse, everyByte);
  EXPECT_TRUE(bytes.complete);
  EXPECT_EQ(bytes.consumed, whole.consumed);
  EXPECT_EQ(bytes.fields, whole.fields);
}

TEST(HeaderStreamReader, FieldLines) {
  Outcome o = Feed("VSTP/1.0\r\n\r\n", {});
  EXPECT_TRUE(o.complete);
  EXPECT_TRUE(o.fields.empty());

  o = Feed("VSTP/1.0\r\nA: \r\nB: x: y\r\nA: 2\r\n\r\n", {});
  ASSERT_TRUE(o.complete);
  EXPECT_EQ(o.fields.at("A"), "2");     // a later line replaces an earlier one
  EXPECT_EQ(o.fields.at("B"), "x: y");  // split at the first ": "

  // A lone CR or LF inside a line is part of it.
  o = Feed("VSTP/1.0\r\nA: 1\r2\n3\r\n\r\n", {});
  ASSERT_TRUE(o.complete);
  EXPECT_EQ(o.fields.at("A"), "1\r2\n3");
}

TEST(HeaderStreamReader, MalformedBlocks) {
  for (const std::string bad : {"VSTP/1.0\r\nA:1\r\n\r\n", "vstp/1.0\r\n\r\n", "\r\nVSTP/1.0\r\n",
                                "VSTP/1.0 \r\n\r\n", "VSTP/1.0\r\nno separator\r\n\r\n"}) {
    EXPECT_EQ(Feed(bad, {}).result, HeaderStreamReader::kMalformed) << bad;
  }
}

TEST(HeaderStreamReader, MalformedLeavesPendingStateAsItWas) {
  HeaderStreamReader reader;
  FieldMap fields;
  std::size_t consumed;
  bool complete;
  const std::string start = "VSTP/1.0\r\nA: 1\r";
  ASSERT_EQ(reader.Read(fields, start.data(), start.size(), consumed, complete),
            HeaderStreamReader::kOk);
  const std::string bad = "\nbad\r\n";
  EXPECT_EQ(reader.Read(fields, bad.data(), bad.size(), consumed, complete),
            HeaderStreamReader::kMalformed);
  // The carried-over "A: 1\r" is still there for a chunk that completes it properly.
  const std::string good = "\n\r\n";
  EXPECT_EQ(reader.Read(fields, good.data(), good.size(), consumed, complete),
            HeaderStreamReader::kOk);
  EXPECT_TRUE(complete);
  EXPECT_EQ(fields.at("A"), "1");
}

// A peer may dribble a long line a byte at a time: each byte must cost the same, not
// the length of everything before it (at a copy per byte this would run for hours).
TEST(HeaderStreamReader, LongLineFedByteByByteStaysLinear) {
  const std::string text = "VSTP/1.0\r\nX: " + std::string(1 << 20, 'a') + "\r\n\r\n";
  HeaderStreamReader reader;
  FieldMap fields;
  bool complete = false;
  std::size_t i = 0;
  for (; i < text.size() && !complete; ++i) {
    std::size_t consumed = 0;
    ASSERT_EQ(reader.Read(fields, &text[i], 1, consumed, complete), HeaderStreamReader::kOk);
  }
  EXPECT_TRUE(complete);
  EXPECT_EQ(i, text.size());
  EXPECT_EQ(fields["X"].size(), std::size_t{1} << 20);
}
