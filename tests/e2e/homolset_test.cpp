// homolset run as the package's installer runs it, checked with hostreg.
#include "machine_fixture.h"

#include <string>

namespace {

const std::string kCountry = "HKLM\\SOFTWARE\\Veltrane\\DeroRirid\\Country";

class HomolsetTest : public MachineTest {
  protected:
    RunResult Homolset(const std::vector<std::string>& args) {
        return Run(BuiltProgram("homolset/homolset"), args);
    }
    std::string Query(const std::string& key) {
        RunResult r = Reg({"query", key});
        return r.status == 0 ? r.out : "<missing>";
    }
};

TEST_F(HomolsetTest, ExampleFileWritesCountriesAndSettings) {
    RunResult r = Homolset({std::string(E2E_SOURCE_ROOT) + "/examples/VTRXhom.ini"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Query(kCountry + "\\Japan"),
              "\r\n"
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\DeroRirid\\Country\\Japan\r\n"
              "    CountryCode    REG_BINARY    00000000\r\n"
              "    TransmitLevelDbm    REG_BINARY    F8FFFFFF\r\n"
              "    TransmitLevelDbm_min    REG_BINARY    F1FFFFFF\r\n"
              "    TransmitLevelDbm_max    REG_BINARY    F8FFFFFF\r\n"
              "    DialToneDetectMs    REG_BINARY    DC050000\r\n"
              "    DialToneDetectMs_min    REG_BINARY    E8030000\r\n"
              "    DialToneDetectMs_max    REG_BINARY    A00F0000\r\n"
              "    PulseMakeBreakRatio    REG_BINARY    1B000000\r\n"
              "    CallerIdMode    REG_BINARY    03000000\r\n"
              "    BlindDialing    REG_BINARY    01000000\r\n"
              "\r\n");
    EXPECT_EQ(Query("HKLM\\SOFTWARE\\Veltrane\\DeroRirid\\Settings"),
              "\r\n"
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\DeroRirid\\Settings\r\n"
              "    DefaultCountry    REG_SZ    Germany\r\n"
              "    ModemName    REG_SZ    DeroRirid Soft Modem\r\n"
              "    SpeakerVolume    REG_SZ    Medium\r\n"
              "    ToneMask    REG_BINARY    0FF03CC3\r\n"
              "    FirstRunFlags    REG_BINARY    0100\r\n"
              "\r\n");
    RunResult stamp = Reg({"query", "HKLM\\SOFTWARE\\Veltrane\\DeroRirid", "/v", "HomolTimeStamp"});
    EXPECT_EQ(stamp.status, 0);
    EXPECT_NE(stamp.out.find("HomolTimeStamp    REG_BINARY    "), std::string::npos);
}

TEST_F(HomolsetTest, MissingOrQuotedFileNameWritesNothing) {
    std::string file = WriteFile("home/countries.ini", "[A]\nX=1\n");
    for (const std::string& name : {HostPath("home/nothing.ini"), "\"" + file + "\""}) {
        RunResult r = Homolset({name});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(Query("HKLM\\SOFTWARE\\Veltrane"), "<missing>") << name;
    }
}

TEST_F(HomolsetTest, DefaultFileIsReadFromTheCurrentDirectory) {
    WriteFile("home/VTRXhom.ini", "[Here]\nX=1\n");
    SetWorkingDirectory(HostPath("home"));
    ASSERT_EQ(Homolset({}).status, 0);
    EXPECT_NE(Query(kCountry + "\\Here"), "<missing>");
}

TEST_F(HomolsetTest, SecondRunReplacesTheFirstRunsCountries) {
    ASSERT_EQ(Homolset({WriteFile("one.ini", "[A]\nX=1\n[B\\Nested]\nY=2\n")}).status, 0);
    ASSERT_EQ(Homolset({WriteFile("two.ini", "[C]\nZ=3\n")}).status, 0);
    RunResult r = Reg({"query", kCountry});
    EXPECT_EQ(r.out, "\r\n"
                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrane\\DeroRirid\\Country\\C\r\n");
}

} // namespace
