// What the simulated printers received: the exact bytes of the installer's
// requests and where they were sent. Needs the simulator inside the test
// program, so it runs natively only.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/sockets.h"
#include "platform/util/text.h"
#include "printer_access/admin_net.h"
#include "printer_access/search_net.h"
#include "sim_environment.h"
#include "simulator.h"
#include "support/utf16_bytes.h"

namespace pelmora {
namespace {

printer_sim::Simulator& Sim(printer_access_test::SimEnvironment* env) {
  return *static_cast<printer_sim::Simulator*>(env->host_simulator);
}

TEST(SimulatedPrinter, ReceivesThe38ByteRequestForK7M2P4T9) {
  REQUIRE_SIMULATOR(env);
  const std::size_t before = Sim(env).admin_requests().size();
  CZelkoAdminNet channel(env->sockets);
  const std::u16string address = env->address16(2);
  ASSERT_EQ(channel.ConnectChannel(u"K7M2P4T9", address.c_str(), ADMIN_PORT), 0);
  EncoderInfoBlock block{};
  ASSERT_EQ(channel.ReadEncoderInfo(&block), 0);
  channel.CloseChannel();

  const auto requests = Sim(env).admin_requests();
  ASSERT_EQ(requests.size(), before + 1);
  EXPECT_EQ(requests.back().printer, "plain");
  // "TVRQ", 1, 2550, 1, 1 and the id's length 18, little-endian; then the id
  // in UTF-16 with its zero character.
  std::vector<std::uint8_t> expected = {'T', 'V', 'R', 'Q', 1, 0, 0,  0, 0xF6, 0x09,
                                        1,   0,   1,   0,   0, 0, 18, 0, 0,    0};
  const std::vector<std::uint8_t> id = test_support::utf16_bytes(u"K7M2P4T9", true);
  expected.insert(expected.end(), id.begin(), id.end());
  EXPECT_EQ(requests.back().bytes, expected);
}

TEST(SimulatedPrinter, UnicastAndBroadcastDestinations) {
  REQUIRE_SIMULATOR(env);
  CZelkoSearchNet search(env->sockets);
  PrinterDetails details{};
  const std::size_t before = Sim(env).discovery_requests().size();

  ASSERT_EQ(search.FindNetworkPrinter(&details, u"K7M2P4T9", env->address16(2).c_str(),
                                      kDiscoveryRequestCode, env->options(1)),
            1);
  ASSERT_EQ(search.FindNetworkPrinter(&details, u"K7M2P4T9", nullptr, kDiscoveryRequestCode,
                                      env->options(1)),
            1);
  const auto requests = Sim(env).discovery_requests();
  ASSERT_EQ(requests.size(), before + 2);
  // One datagram to the target, one to the broadcast destination, each
  // "TVRQ2.0 2 <reply address> <reply port>" with its zero character.
  const auto& unicast = requests[before];
  const auto& broadcast = requests[before + 1];
  EXPECT_EQ(unicast.destination, env->address_value(2));
  EXPECT_EQ(broadcast.destination, env->address_value(1));
  for (const auto& request : {unicast, broadcast}) {
    std::istringstream words(request.text);
    std::string token, code, address;
    long port = 0;
    words >> token >> code >> address >> port;
    EXPECT_EQ(token, "TVRQ2.0");
    EXPECT_EQ(code, "2");
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_GT(port, 0);
    EXPECT_EQ(request.text, token + " 2 127.0.0.1 " + std::to_string(port));
    EXPECT_EQ(request.bytes, 2 * request.text.size() + 2);
  }
}

TEST(SimulatedPrinter, RawPrintPortStoresTheJob) {
  REQUIRE_SIMULATOR(env);
  const std::size_t before = Sim(env).stored_jobs().size();
  platform::Sockets& sockets = env->sockets;
  platform::ScopedSocket socket(sockets);
  ASSERT_EQ(sockets.open_tcp(socket.receive()), platform::kErrorSuccess);
  ASSERT_EQ(sockets.connect(socket.get(), env->address_value(3), 9101, 2000),
            platform::kErrorSuccess);
  const std::string job = "\x1b%-12345X@PJL JOB\r\ncard data\r\n";
  std::size_t sent = 0;
  ASSERT_EQ(sockets.send(socket.get(), job.data(), job.size(), &sent), platform::kErrorSuccess);
  EXPECT_EQ(sent, job.size());
  socket.reset();
  ASSERT_TRUE(Sim(env).wait_for_jobs(before + 1, 3000));
  const std::string path = Sim(env).stored_jobs()[before];
  EXPECT_NE(path.find("R4D8N2W6-"), std::string::npos);
  std::ifstream stored(path, std::ios::binary);
  std::stringstream content;
  content << stored.rdbuf();
  EXPECT_EQ(content.str(), job);
}

TEST(SimulatorConfig, RejectsWhatItCannotPlay) {
  printer_sim::SimulatorConfig config;
  std::string error;
  EXPECT_FALSE(printer_sim::parse_config("[printer]\nid = A\n", "127.0.0", &config, &error));
  EXPECT_FALSE(printer_sim::parse_config("[printer]\nid = A\naddress = NET.2\nadmin = maybe\n",
                                         "127.0.0", &config, &error));
  EXPECT_NE(error.find("line 4"), std::string::npos) << error;
  EXPECT_FALSE(printer_sim::parse_config("colour = blue\n", "127.0.0", &config, &error));
  ASSERT_TRUE(printer_sim::parse_config("[printer]\nid = A\naddress = NET.2\nproduct = 0x3870\n",
                                        "127.9.9", &config, &error))
      << error;
  EXPECT_EQ(config.printers[0].address, "127.9.9.2");
  EXPECT_EQ(config.printers[0].product, 0x3870);
}

}  // namespace
}  // namespace pelmora
