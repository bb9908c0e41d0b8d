// The read-only stream GDI+ decodes resources from: refused reads copy nothing,
// seeks stay inside the bytes, and COM identity and reference counting hold.
#include "gui/win/resource_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <numeric>

using Toolkit::win::ResourceStream;

namespace {

struct StreamTest : ::testing::Test {
  StreamTest() { std::iota(bytes.begin(), bytes.end(), uint8_t(0)); }
  ~StreamTest() override { stream->Release(); }
  LARGE_INTEGER at(int64_t v) {
    LARGE_INTEGER li;
    li.QuadPart = v;
    return li;
  }
  std::array<uint8_t, 100> bytes{};
  ResourceStream* stream = new ResourceStream(bytes.data(), 100);
};

TEST_F(StreamTest, ReadCopiesAndAdvancesUntilTheEnd) {
  uint8_t buf[10] = {};
  ULONG got = 99;
  EXPECT_EQ(stream->Read(buf, 10, &got), S_OK);
  EXPECT_EQ(got, 10u);
  EXPECT_EQ(buf[9], 9);
  ASSERT_EQ(stream->Seek(at(90), STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(stream->Read(buf, 10, &got), S_OK);  // exactly up to the end
  EXPECT_EQ(buf[0], 90);
  EXPECT_EQ(stream->position(), 100u);
}

TEST_F(StreamTest, ReadPastTheEndIsRefusedWhole) {
  ASSERT_EQ(stream->Seek(at(90), STREAM_SEEK_SET, nullptr), S_OK);
  uint8_t buf[20];
  std::fill(std::begin(buf), std::end(buf), uint8_t(0xEE));
  ULONG got = 77;
  EXPECT_EQ(stream->Read(buf, 20, &got), S_FALSE);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(buf[0], 0xEE);  // nothing copied
  EXPECT_EQ(stream->position(), 90u);
  // A count that would overflow a 32-bit position is refused too.
  EXPECT_EQ(stream->Read(buf, 0xFFFFFFF0u, nullptr), S_FALSE);
}

TEST_F(StreamTest, SeekStaysBelowTheSize) {
  ULARGE_INTEGER pos{};
  EXPECT_EQ(stream->Seek(at(99), STREAM_SEEK_SET, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 99u);
  EXPECT_EQ(stream->Seek(at(100), STREAM_SEEK_SET, &pos), S_FALSE);
  EXPECT_EQ(stream->Seek(at(-1), STREAM_SEEK_SET, nullptr), S_FALSE);
  EXPECT_EQ(stream->position(), 99u);

  ASSERT_EQ(stream->Seek(at(50), STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(stream->Seek(at(-10), STREAM_SEEK_CUR, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 40u);
  EXPECT_EQ(stream->Seek(at(-41), STREAM_SEEK_CUR, nullptr), S_FALSE);
  EXPECT_EQ(stream->Seek(at(60), STREAM_SEEK_CUR, nullptr), S_FALSE);
  EXPECT_EQ(stream->position(), 40u);

  EXPECT_EQ(stream->Seek(at(0), STREAM_SEEK_END, nullptr), S_FALSE);
  EXPECT_EQ(stream->Seek(at(0), 7, nullptr), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(stream->position(), 40u);
}

TEST_F(StreamTest, StatRevertAndTheUnsupportedOperations) {
  STATSTG st;
  std::memset(&st, 0xAB, sizeof st);
  EXPECT_EQ(stream->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart, 100u);
  EXPECT_EQ(st.pwcsName, nullptr);
  EXPECT_EQ(st.type, 0u);

  stream->Seek(at(30), STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(stream->Revert(), S_OK);
  EXPECT_EQ(stream->position(), 0u);

  ULARGE_INTEGER u{};
  IStream* clone = nullptr;
  EXPECT_EQ(stream->Write("x", 1, nullptr), E_NOTIMPL);
  EXPECT_EQ(stream->SetSize(u), E_NOTIMPL);
  EXPECT_EQ(stream->CopyTo(nullptr, u, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(stream->Commit(0), E_NOTIMPL);
  EXPECT_EQ(stream->LockRegion(u, u, 0), E_NOTIMPL);
  EXPECT_EQ(stream->UnlockRegion(u, u, 0), E_NOTIMPL);
  EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
}

TEST_F(StreamTest, InterfacesAndReferenceCount) {
  void* out = nullptr;
  EXPECT_EQ(stream->QueryInterface(IID_IStream, &out), S_OK);
  EXPECT_EQ(out, static_cast<IStream*>(stream));
  EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, &out), S_OK);
  EXPECT_EQ(stream->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(stream->QueryInterface(IID_IPersist, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(stream->QueryInterface(IID_IStream, nullptr), E_POINTER);
  // 1 + three successful queries; releasing them leaves the fixture's reference.
  EXPECT_EQ(stream->AddRef(), 5u);
  for (ULONG left = 4; left >= 1; --left) EXPECT_EQ(stream->Release(), left);
}

}  // namespace
