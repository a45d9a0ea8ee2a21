// The server over HTTP on a loopback port: logins, refused requests, the
// simulation's changes, a stalled client, and clients enumerating while the
// simulation changes.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include <httplib.h>

#include "host/wbem/http_front.h"
#include "tests/wbem/wbem_fixture.h"

namespace {

using namespace wbemtest;

const std::string kDisks = IntrinsicRequest(
    "EnumerateInstanceNames", R"(<IPARAMVALUE NAME="ClassName"><CLASSNAME NAME="ZUB_StorageExtentDisk"/></IPARAMVALUE>)");

class Http : public WbemFixture {
 protected:
  void Start(const zubwbem::Authenticator* auth, size_t threads = 4, int readTimeoutSeconds = 2) {
    front = std::make_unique<zubwbem::HttpFront>(ops, auth, [](const std::string& body) {
          std::string error;
          bool ok = abru2sim::ApplyChange(body, &error);
          return zubwbem::SimAnswer{ok ? 200 : 400, ok ? "{\"ok\": true}" : error};
        }, log);
    zubwbem::HttpSettings settings;
    settings.port = 0;
    settings.threads = threads;
    settings.readTimeoutSeconds = readTimeoutSeconds;
    std::string error;
    ASSERT_TRUE(front->Bind(settings, &error)) << error;
    server = std::thread([this] { front->Run(); });
  }
  // Stops the server; its workers are done (and have written their log
  // lines) when this returns.
  void Stop() {
    if (front) front->Stop();
    if (server.joinable()) server.join();
  }
  void TearDown() override {
    Stop();
    WbemFixture::TearDown();
  }
  httplib::Client Client() {
    httplib::Client client("127.0.0.1", front->Port());
    client.set_read_timeout(20, 0);
    return client;
  }
  static httplib::Result Post(httplib::Client& client, const std::string& body) {
    const httplib::Headers headers = {
        {"CIMOperation", "MethodCall"}, {"CIMMethod", "EnumerateInstanceNames"}, {"CIMObject", "root%2Fcorvo_zub"}};
    return client.Post("/cimom", headers, body, "application/xml; charset=\"utf-8\"");
  }
  static size_t Names(const std::string& body) {
    pugi::xml_document doc;
    return doc.load_string(body.c_str()) ? doc.select_nodes("//INSTANCENAME").size() : 0;
  }

  std::ostringstream log;
  std::unique_ptr<zubwbem::HttpFront> front;
  std::thread server;
};

TEST_F(Http, LoginsAreCheckedAgainstThePasswordFile) {
  const std::string file = testing::TempDir() + "/zub-users";
  std::string error;
  ASSERT_TRUE(zubwbem::WritePassword(file, "admin", "s3cret", &error)) << error;
  ASSERT_TRUE(zubwbem::WritePassword(file, "other", "x", &error)) << error;
  ASSERT_TRUE(zubwbem::WritePassword(file, "admin", "p@ss:word", &error)) << error;  // replaces the first line
  std::optional<zubwbem::Authenticator> auth = zubwbem::Authenticator::Load(file, &error);
  ASSERT_TRUE(auth) << error;
  Start(&*auth);

  httplib::Client client = Client();
  httplib::Result r = Post(client, kDisks);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 401);
  EXPECT_EQ(r->get_header_value("WWW-Authenticate").rfind("Basic realm=", 0), 0u);
  client.set_basic_auth("admin", "s3cret");
  EXPECT_EQ(Post(client, kDisks)->status, 401);
  client.set_basic_auth("nobody", "p@ss:word");
  EXPECT_EQ(Post(client, kDisks)->status, 401);
  client.set_basic_auth("admin", "p@ss:word");
  r = Post(client, kDisks);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(Names(r->body), 3u);
  EXPECT_EQ(Post(client, kDisks)->status, 200);  // remembered
  client.set_basic_auth("other", "x");
  EXPECT_EQ(client.Post("/sim", R"({"op": "clear_faults"})", "application/json")->status, 200);
  Stop();
  EXPECT_NE(log.str().find("EnumerateInstanceNames ZUB_StorageExtentDisk http=200 cim=0"), std::string::npos) << log.str();

  for (const char* bad : {"admin:pbkdf2-sha256:1000:AAAA", "admin:md5:1:AAAA:AAAA", "\n"}) {
    std::ofstream(file) << bad;
    EXPECT_FALSE(zubwbem::Authenticator::Load(file, &error)) << bad;
  }
  std::filesystem::remove(file);
}

TEST_F(Http, RequestsTheServerCannotUseAreRefusedAtTheHttpLevel) {
  Start(nullptr);
  httplib::Client client = Client();
  httplib::Result r = Post(client, "<CIM><MESSAGE>&oops;<");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 400);
  EXPECT_EQ(r->get_header_value("CIMError"), "request-not-well-formed");
  r = Post(client, std::string(4 * 1024 * 1024 + 1, ' '));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 413);
  EXPECT_EQ(client.Get("/cimom")->status, 405);
  r = Post(client, kDisks);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->get_header_value("CIMOperation"), "MethodResponse");
  EXPECT_EQ(r->body.rfind("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n", 0), 0u);
  EXPECT_EQ(client.Post("/sim", "not json", "application/json")->status, 400);
}

// Twenty clients that send half a request and stop, with the server's
// default thread limit and a read time-out far beyond the client's: each
// holds only its own thread, so another client is answered at once (a fixed
// pool smaller than twenty would keep it waiting for the time-outs, and its
// 5 s read time-out would end the request).
TEST_F(Http, StalledClientsDoNotHoldUpOthers) {
  Start(nullptr, zubwbem::HttpSettings{}.threads, 60);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(front->Port()));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const char partial[] = "POST /cimom HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le";
  std::vector<int> stalled;
  for (int i = 0; i < 20; ++i) {
    stalled.push_back(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_EQ(::connect(stalled.back(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_GT(::send(stalled.back(), partial, sizeof partial - 1, 0), 0);
  }
  httplib::Client client = Client();
  client.set_read_timeout(5, 0);
  for (int i = 0; i < 3; ++i) {
    httplib::Result r = Post(client, kDisks);
    ASSERT_TRUE(r) << "no answer while clients stall";
    EXPECT_EQ(r->status, 200);
  }
  for (int s : stalled) ::close(s);
}

TEST_F(Http, ClientsEnumerateWhileTheSimulationChanges) {
  Start(nullptr, 6);
  std::atomic<int> bad{0};
  std::mutex firstBadMutex;
  std::string firstBad;
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&] {
      httplib::Client client = Client();
      for (int i = 0; i < 40; ++i) {
        httplib::Result r = Post(client, kDisks);
        const size_t n = r ? Names(r->body) : 0;
        if (!r || r->status != 200 || (n != 3 && n != 4)) {
          ++bad;
          std::lock_guard<std::mutex> lock(firstBadMutex);
          if (firstBad.empty()) firstBad = r ? std::to_string(r->status) + " " + r->body : "no answer";
        }
      }
    });
  }
  httplib::Client writer = Client();
  for (int i = 0; i < 10; ++i) {
    auto a = writer.Post("/sim", R"({"op": "insert_disk", "controller": 1, "disk": {"handle": 1013, "serial": "S13"}})",
                         "application/json");
    auto b = writer.Post("/sim", R"({"op": "remove_disk", "disk": "S13"})", "application/json");
    EXPECT_TRUE(a && a->status == 200) << (a ? a->body : "no answer");
    EXPECT_TRUE(b && b->status == 200) << (b ? b->body : "no answer");
  }
  for (std::thread& t : readers) t.join();
  EXPECT_EQ(bad, 0) << firstBad;
}

}  // namespace
