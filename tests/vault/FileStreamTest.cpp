#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "VaultTestSupport.h"
#include "vault/CofferixError.h"

TEST(FileStream, ReadsWritesSeeksAndReportsSize) {
    TTempFolder folder;
    const std::string path = folder.File("data.bin");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    TFileStream stream(fd);
    const TBytes bytes = HexBytes("00112233445566778899");
    EXPECT_EQ(stream.Write(bytes.data(), 10), 10u);
    EXPECT_EQ(stream.Size(), 10u);
    EXPECT_EQ(stream.Position(), 10u);
    stream.Seek(4);
    std::uint8_t read[16] = {};
    EXPECT_EQ(stream.Read(read, 16), 6u);  // a short count at the end, no error
    EXPECT_EQ(read[0], 0x44);
    EXPECT_EQ(stream.LastError(), 0);
    ::close(fd);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST(FileStream, AFailedWriteShowsAsAShortCountWithTheError) {
    TTempFolder folder;
    const std::string path = folder.File("data.bin");
    WriteFileBytes(path, TBytes(4, 1));
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    TFileStream stream(fd);
    const std::uint8_t byte = 9;
    EXPECT_EQ(stream.Write(&byte, 1), 0u);
    EXPECT_EQ(stream.LastError(), EBADF);
    ::close(fd);
}
