#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include <prerr.h>
#include <prnetdb.h>

#include "lookup/address_record.h"
#include "test_files.h"

static std::string Hex(const PRUint8 *bytes, size_t count)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;

    for (size_t i = 0; i < count; i++) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

static const std::string kZero24(48, '0');

// The address as the tool gets it: PR_EnumerateHostEnt over a dotted
// address (no lookup), into memory full of stale bytes.
static PRNetAddr Enumerated(const char *dotted, PRUint16 port)
{
    char scratch[1024];
    PRHostEnt entry;
    PRNetAddr address;

    memset(&address, 0xAA, sizeof address);
    EXPECT_EQ(PR_GetHostByName(dotted, scratch, sizeof scratch, &entry), PR_SUCCESS);
    EXPECT_GT(PR_EnumerateHostEnt(0, &entry, port, &address), 0);
    return address;
}

TEST(AddressRecord, EncodesFamilyPortAddressAndZeros)
{
    struct {
        const char *dotted;
        PRUint16 port;
        std::string hex;
    } cases[] = {
        {"10.1.2.3", 80, "020000500a010203" + kZero24},
        {"127.0.0.1", 65535, "0200ffff7f000001" + kZero24},
        {"255.255.255.255", 0, "02000000ffffffff" + kZero24},
        {"192.0.2.44", 4464, "02001170c000022c" + kZero24},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dotted);
        PRNetAddr address = Enumerated(c.dotted, c.port);
        PRUint8 record[kAddressRecordSize];

        memset(record, 0x55, sizeof record);
        EncodeAddressRecord(&address, record);
        EXPECT_EQ(Hex(record, sizeof record), c.hex);
    }
}

struct RecordFile : testing::Test {
    TempDir dir;
    RunParams params = {};
    PRNetAddr address = Enumerated("10.1.2.3", 80);
    const std::string record = std::string("\x02\x00\x00\x50\x0a\x01\x02\x03", 8) + std::string(24, '\0');

    void SetUp() override
    {
        strcpy(params.LogDir, dir.path.c_str());
        params.LogLevel = 0;
    }
    void UseDat(const std::string &path) { strcpy(params.DatFile, path.c_str()); }
};

TEST_F(RecordFile, CreatesAMissingFileWithExactly32Bytes)
{
    PRErrorCode result = -1;

    UseDat(dir / "new.dat");
    ASSERT_TRUE(WriteAddressRecord(&params, &address, &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(dir / "new.dat"), record);
}

TEST_F(RecordFile, OverwritesOnlyTheFirst32BytesOfALongerFile)
{
    std::string old(100, 'x');
    PRErrorCode result = -1;

    for (int i = 0; i < 100; i++)
        old[i] = (char)i;
    WriteFileBytes(dir / "old.dat", old);
    UseDat(dir / "old.dat");
    ASSERT_TRUE(WriteAddressRecord(&params, &address, &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(dir / "old.dat"), record + old.substr(32));
}

TEST_F(RecordFile, ReportsAnOpenFailureWithItsOwnCode)
{
    PRErrorCode result = 0;

    UseDat(dir / "missing/x.dat");
    EXPECT_FALSE(WriteAddressRecord(&params, &address, &result));
    EXPECT_EQ(result, PR_FILE_NOT_FOUND_ERROR);
    UseDat(dir.path);
    EXPECT_FALSE(WriteAddressRecord(&params, &address, &result));
#ifdef _WIN32
    // Windows refuses to open a directory for writing as access denied.
    EXPECT_EQ(result, PR_NO_ACCESS_RIGHTS_ERROR);
#else
    EXPECT_EQ(result, PR_IS_DIRECTORY_ERROR);
#endif
}

TEST_F(RecordFile, ReportsAFailedWriteAsTheRunResult)
{
    PRErrorCode result = 0;

    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    UseDat("/dev/full");
    EXPECT_TRUE(WriteAddressRecord(&params, &address, &result));
    EXPECT_EQ(result, PR_NO_DEVICE_SPACE_ERROR);
}
