// Delivery to a real web server: bin/hxtrack sends its inventory to an nginx that the test
// starts on a free port of 127.0.0.1 (WebDAV PUT, over HTTP or HTTPS with a certificate made
// here), and what the server did not take waits in the spool for the next run.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <regex>

#include "app/api/UploaderPreferences.h"
#include "app/driver/TrkRunMessages.h"
#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::Contains;
using hxapp::FilesIn;
using hxapp::QuietArgs;

constexpr const char* c_Nginx = "/usr/sbin/nginx";
constexpr const char* c_OpenSsl = "/usr/bin/openssl";
// The server takes only this user with this password, written in the URL as it is or
// percent-encoded.
constexpr const char* c_User = "agent";
constexpr const char* c_Password = "Qx7@Zk9/Vm3";
constexpr const char* c_PasswordInUrl = "Qx7%40Zk9%2FVm3";
// Whether a text shows the password or any part of it.
bool ShowsPassword(const std::string& text) {
  for (const char* part : {"Qx7", "Zk9", "Vm3"})
    if (Contains(text, part)) return true;
  return false;
}
constexpr const char* c_Pending = "data/uploads/pending";
const uint32_t c_UploadFailed = hxapp::ExitStatusOf(hx::ToResult(0xE0BD0107u));

// A socket listening on 127.0.0.1 at a port the kernel picks. Nobody accepts on it: the kernel
// completes connections that are then never answered. Once closed, it leaves a free port.
struct ListenerT {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int port = -1;
  ListenerT() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    auto* address = reinterpret_cast<sockaddr*>(&a);
    if (::bind(fd, address, len) == 0 && ::listen(fd, SOMAXCONN) == 0 && ::getsockname(fd, address, &len) == 0)
      port = ntohs(a.sin_port);
  }
  ~ListenerT() { ::close(fd); }
};

// What a tool the test needs prints; a tool that fails fails the test.
std::string ToolOutput(const CommandLineC& command) {
  hxtest::ChildC tool(command);
  EXPECT_EQ(tool.Start(), hx::RC_OK) << command.ToString();
  EXPECT_EQ(tool.Finish(), 0u) << command.ToString() << tool.Err();
  return tool.Out();
}

// A self-signed certificate for 127.0.0.1 and its key in dir/<name>.crt and .key.
void MakeCertificate(const hxtest::TempDirC& dir, const std::string& name) {
  ToolOutput({c_OpenSsl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
              "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", dir.File(name + ".key"), "-out",
              dir.File(name + ".crt")});
}

std::string UrlAt(int port, const std::string& scheme, const std::string& path, const char* password = c_Password) {
  return scheme + "://" + c_User + ":" + password + "@127.0.0.1:" + std::to_string(port) + "/" + path;
}

// nginx with a configuration of its own in dir/nginx: WebDAV PUT below dir/nginx/www (paths
// made as needed) for c_User alone, "/fail/" answering 500, HTTPS with dir/<certificate>.crt when one is named.
// Below "/taken/" every name is free to HEAD and taken to PUT (412); below "/slow/" a PUT is
// answered at once, its body at five bytes a second (two minutes); "/nohead/" answers HEAD with
// 405 and lets a PUT replace what is there.
// Run without a master process, it writes as the test's own user.
constexpr const char* c_NginxConf = R"(daemon off; master_process off; pid @/nginx.pid; error_log @/error.log;
events { worker_connections 64; }
http {
  access_log @/access.log;
  client_body_temp_path @/body; proxy_temp_path @/body; fastcgi_temp_path @/body;
  uwsgi_temp_path @/body; scgi_temp_path @/body;
  client_max_body_size 512m;
  server {
    listen 127.0.0.1:PORT TLS
    root @/www;
    location / { dav_methods PUT; create_full_put_path on; dav_access user:rw;
                 auth_basic "inventories"; auth_basic_user_file @/users; }
    location /nohead/ { if ($request_method = HEAD) { return 405; } dav_methods PUT; create_full_put_path on;
                        dav_access user:rw; auth_basic "inventories"; auth_basic_user_file @/users; }
    location /fail/ { return 500; }
    location /taken/ { if ($request_method = PUT) { return 412; } return 404; }
    location /slow/ { limit_rate 5; limit_rate_after 200; if ($request_method = PUT) { return 201 "SLOW"; } return 404; }
  }
})";

class NginxC {
 public:
  const std::string dir;
  const int port = ListenerT().port;

  NginxC(const hxtest::TempDirC& test, const std::string& certificate = "") : dir(test.File("nginx")) {
    std::filesystem::create_directories(dir + "/www");
    const std::string tls = certificate.empty() ? ";" : "ssl; ssl_certificate " + test.File(certificate + ".crt") +
                                                            "; ssl_certificate_key " + test.File(certificate + ".key") + ";";
    std::string conf = std::regex_replace(c_NginxConf, std::regex("@"), dir);
    conf = std::regex_replace(conf, std::regex("PORT TLS"), std::to_string(port) + " " + tls);
    conf = std::regex_replace(conf, std::regex("SLOW"), std::string(600, 'z'));
    hxtest::WriteFile(dir + "/nginx.conf", conf);
    hxtest::WriteFile(dir + "/users", std::string(c_User) + ":" + ToolOutput({c_OpenSsl, "passwd", "-apr1", c_Password}));
    Start();
  }
  ~NginxC() { Stop(); }

  void Start() {
    ASSERT_TRUE(std::filesystem::exists(c_Nginx)) << "the tests need nginx (scripts/setup.sh installs it)";
    // nginx writes its pid file once it listens.
    std::filesystem::remove(dir + "/nginx.pid");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execl(c_Nginx, c_Nginx, "-p", dir.c_str(), "-c", (dir + "/nginx.conf").c_str(), "-e",
              (dir + "/error.log").c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 200 && !std::filesystem::exists(dir + "/nginx.pid"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(std::filesystem::exists(dir + "/nginx.pid")) << hxtest::ReadFile(dir + "/error.log");
  }
  void Stop() {
    if (pid_ > 0 && ::kill(pid_, SIGTERM) == 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::string Url(const std::string& scheme, const std::string& path = "srv") const {
    return UrlAt(port, scheme, path);
  }
  std::string Delivered(const std::string& path) const { return dir + "/www/" + path + "/Inventories"; }
  // The PUT requests the server answered with `status` (201: took), in order; one the server
  // first asked to authenticate shows as a 401 before it.
  std::vector<std::string> Puts(const std::string& status = "201") const {
    std::vector<std::string> puts;
    for (const std::string& line : hx::SplitLines(hxtest::ReadFile(dir + "/access.log")))
      if (Contains(line, "\"PUT ") && Contains(line, "\" " + status + " ")) puts.push_back(line);
    return puts;
  }

 private:
  pid_t pid_ = -1;
};

// The configuration of a run delivering to `location`, with the test's certificate trusted.
std::string Ini(const hxtest::TempDirC& dir, const std::string& location, const std::string& more = "") {
  return "[Tarvosk\\Tracker\\CurrentVersion]\nServerLocation=" + location +
         "\nSSLCACertificateFile=" + dir.File("good.crt") + "\nUploadTimeout=2\n" + more;
}

hxapp::RunT Deliver(const hxtest::TempDirC& dir, const std::string& ini, std::vector<std::string> args = {}) {
  return hxapp::RunProgram(dir, QuietArgs(std::move(args)), ini);
}

// The password holds "@" and "/": written as it is in one URL, percent-encoded in the other,
// the server takes it whole and the log and the traces show none of it.
// A server without HEAD gets each file under a name of its own, also the first.
TEST(ProgramDelivery, ServerGetsEveryInventoryByteForByteAndNeverLosesOne) {
  for (const auto& [scheme, password, path] : {std::tuple<std::string, const char*, std::string>{"http", c_Password, "srv"},
                                               {"https", c_PasswordInUrl, "srv"}, {"http", c_Password, "nohead"}}) {
    hxtest::TempDirC dir("hxapp-dlv");
    MakeCertificate(dir, "good");
    NginxC server(dir, scheme == "https" ? "good" : "");
    const std::string ini = Ini(dir, UrlAt(server.port, scheme, path, password));
    // Every preference traced: the URL shows there without its password, as in the log.
    dir.Write("hxtrack.trace", "+Tracker/Preferences\nfilename = " + dir.File("prefs.trace") + "\n");
    hxapp::RunT first = Deliver(dir, ini, {"-o", "UploadFile=same.hxi"});
    ASSERT_EQ(first.exitCode, 0u) << scheme << first.log;
    const std::string inventory = hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories")));
    const std::string firstFile = hxapp::OnlyFile(server.Delivered(path));
    EXPECT_EQ(hxapp::Gunzipped(firstFile), inventory) << scheme;
    // The same name again: the second delivery arrives beside the first.
    hxapp::RunT second = Deliver(dir, ini, {"-o", "UploadFile=same.hxi"});
    EXPECT_EQ(second.exitCode, 0u) << scheme << second.log;
    const std::vector<std::string> both = FilesIn(server.Delivered(path));
    ASSERT_EQ(both.size(), 2u) << path;
    const std::regex names(path == "srv" ? "same(-2)?\\.hxi\\.gz" : "same-\\d{8}T\\d{6}Z-[0-9a-f]{8}\\.hxi\\.gz");
    EXPECT_TRUE(std::regex_match(both[0], names) && std::regex_match(both[1], names)) << both[0] << both[1];
    EXPECT_EQ(hxapp::Gunzipped(firstFile), inventory) << path;  // not replaced
    const std::string secondFile = server.Delivered(path) + "/" + both[hx::EndsWith(firstFile, "/" + both[0]) ? 1 : 0];
    EXPECT_EQ(hxapp::Gunzipped(secondFile), hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories"))));
    EXPECT_TRUE(Contains(second.log, "Uploaded 'same.hxi.gz' to " + scheme + "://127.0.0.1:")) << second.log;
    const std::string trace = hxtest::ReadFile(dir.File("prefs.trace"));
    EXPECT_TRUE(Contains(trace, "ServerLocation=" + scheme + "://agent@127.0.0.1:")) << trace;
    EXPECT_FALSE(ShowsPassword(first.log + second.log + trace)) << scheme;
  }
}

TEST(ProgramDelivery, FailedUploadsWaitInTheSpool) {
  // silent: the server takes the connection and never answers
  struct CaseT { const char* what; std::string scheme, path; bool silent; std::string more; const char* logPart; };
  const std::vector<CaseT> cases = {
      {"server error", "http", "fail", false, "", "answered 500 to the check of"},
      {"wrong certificate", "https", "srv", false, "", "could not be verified"},
      {"server that never answers", "http", "srv", true, "", "made no progress for 2 seconds (UploadTimeout)"},
      {"answer of five bytes a second", "http", "slow", false, "UploadRequestTimeout=3\n",
       "did not finish within 3 seconds (UploadRequestTimeout)"},
      {"every name taken", "http", "taken", false, "", "took none of the 100 names tried"},
      // A top directory that does not exist (made unique below), as the "/Inventories" of no ServerLocation.
      {"no server configured", "", "/hx-no-such-", false, "", "No server is configured (ServerLocation)"},
  };
  for (const CaseT& c : cases) {
    hxtest::TempDirC dir("hxapp-dlv");
    MakeCertificate(dir, "good");
    MakeCertificate(dir, "other");
    NginxC server(dir, c.scheme == "https" ? "other" : "");
    const ListenerT silent;
    ASSERT_GT(silent.port, 0);
    const bool local = c.scheme.empty();
    const std::string url = local ? c.path + std::filesystem::path(dir.Path()).filename().string()
                                  : UrlAt(c.silent ? silent.port : server.port, c.scheme, c.path);
    const hxapp::RunT run = Deliver(dir, Ini(dir, url, c.more));
    EXPECT_EQ(run.exitCode, c_UploadFailed) << c.what << run.log;
    EXPECT_TRUE(Contains(run.log, c.logPart)) << c.what << run.log;
    EXPECT_TRUE(Contains(run.log, "waits in '" + dir.File(c_Pending) + "'")) << c.what;
    EXPECT_EQ(FilesIn(dir.File(c_Pending)).size(), 1u) << c.what;
    EXPECT_FALSE(ShowsPassword(run.log)) << c.what;
    EXPECT_EQ(server.Puts("412").size(), c.path == "taken" ? 100u : 0u) << c.what;
    EXPECT_FALSE(local && std::filesystem::exists(url)) << c.what;  // nothing made at the root
    if (c.scheme != "https") continue;
    // Told not to check the certificate, the run delivers the waiting file too, and says so.
    const hxapp::RunT unchecked = Deliver(dir, Ini(dir, url, "CheckServerCertificate=False\n"));
    EXPECT_EQ(unchecked.exitCode, 0u) << unchecked.log;
    EXPECT_TRUE(Contains(unchecked.log, "is not checked (CheckServerCertificate)")) << unchecked.log;
    EXPECT_EQ(server.Puts().size(), 2u);
  }
}

// With the server away the files wait, at most UploadSpoolMax of them: the oldest goes, and as
// the server's chain of generations then has a hole, the next delta becomes a full inventory.
// Once the server is back the waiting file goes first.
TEST(ProgramDelivery, SpoolWaitsForTheServerAndDroppingMakesTheNextRunFull) {
  hxtest::TempDirC dir("hxapp-dlv");
  NginxC server(dir);
  server.Stop();
  const std::string ini = Ini(dir, server.Url("http"), "UploadSpoolMax=1\n");
  const hxapp::RunT down = Deliver(dir, ini);
  EXPECT_EQ(down.exitCode, c_UploadFailed) << down.log;
  EXPECT_TRUE(Contains(down.log, "Cannot connect to http://127.0.0.1:")) << down.log;
  const hxapp::RunT delta = Deliver(dir, ini, {"-o", "Difference=True"});
  EXPECT_EQ(delta.exitCode, c_UploadFailed);
  EXPECT_TRUE(Contains(delta.log, "keeps at most 1 files (UploadSpoolMax)")) << delta.log;
  const std::vector<std::string> waiting = FilesIn(dir.File(c_Pending));
  ASSERT_EQ(waiting.size(), 2u);  // the mark and the delta
  EXPECT_EQ(waiting[0], upl::c_FullInventoryMark);
  EXPECT_TRUE(Contains(waiting[1], "(1).hxi.gz")) << waiting[1];

  server.Start();
  const hxapp::RunT full = Deliver(dir, ini, {"-o", "Difference=True"});
  EXPECT_EQ(full.exitCode, 0u) << full.log;
  EXPECT_TRUE(Contains(full.log, "this run sends a full inventory")) << full.log;
  const std::vector<std::string> puts = server.Puts();
  ASSERT_EQ(puts.size(), 2u);
  EXPECT_TRUE(Contains(puts[0], "(1).hxi.gz")) << puts[0];     // the waiting delta first
  EXPECT_TRUE(Contains(puts[1], "(Full).hxi.gz")) << puts[1];  // then this run's full inventory
  EXPECT_TRUE(FilesIn(dir.File(c_Pending)).empty());           // the mark went with it
}

// A spool that others may write into is nobody's queue: nothing of it is sent.
TEST(ProgramDelivery, SpoolOthersCanChangeIsNotSent) {
  hxtest::TempDirC dir("hxapp-dlv");
  dir.Write("data/uploads/pending/planted.hxi.gz", "not the run's");
  ASSERT_EQ(::chmod(dir.File(c_Pending).c_str(), 0777), 0);
  const hxapp::RunT run = Deliver(dir, "");
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  EXPECT_TRUE(Contains(run.log, "The spool '" + dir.File(c_Pending) + "' is not used")) << run.log;
  const std::vector<std::string> delivered = FilesIn(dir.File("server/Inventories"));
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_TRUE(Contains(delivered[0], "(Full).hxi.gz")) << delivered[0];
}

// A stop signal while the server dribbles its answer ends the run at once, as cancelled, and
// the file waits in the spool. (Left alone, the answer would keep the run for two minutes.)
TEST(ProgramDelivery, StopSignalEndsAnUploadAtOnce) {
  hxtest::TempDirC dir("hxapp-dlv");
  NginxC server(dir);
  hxapp::TrackerProcessC p(dir, QuietArgs({}), Ini(dir, server.Url("http", "slow")));
  ASSERT_EQ(p.Start(), hx::RC_OK);
  const std::string logFile = dir.File("data/log/tracker.log");
  for (int i = 0; i < 3000 && !Contains(hxtest::ReadFile(logFile), "Finished compressing inventory"); ++i) ::usleep(20000);
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the uploader is at work: it needs milliseconds to start
  const auto signalled = std::chrono::steady_clock::now();
  ::kill(static_cast<pid_t>(p.Pid()), SIGTERM);
  EXPECT_EQ(p.Finish(std::chrono::seconds(60)), hxapp::ExitStatusOf(trk::run::MSG_CANCELLED));
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2));
  const std::string log = hxtest::ReadFile(logFile);
  EXPECT_TRUE(Contains(log, "was stopped: the run is being cancelled")) << log;
  EXPECT_EQ(FilesIn(dir.File(c_Pending)).size(), 1u) << log;
}

// A delivery directory reached through a place an ordinary user controls (here a sticky
// directory open to all, as /tmp) is refused before anything is made through it.
TEST(ProgramDelivery, DeliveryPathThroughAnotherUsersPlaceIsRefused) {
  HX_TEST_NEEDS_ATTACKER(attacker);
  struct CaseT { const char* what; const char* location; const char* culprit; const char* said; } cases[] = {
      {"link to a directory of root's", "shared/drop", "shared/drop", "is a symbolic link owned by user"},
      {"the same as a file location", "file://<dir>/shared/drop", "shared/drop", "is a symbolic link owned by user"},
      {"directory of the user's", "shared/theirs", "shared/theirs", "is owned by user"},
  };
  for (const CaseT& c : cases) {
    hxtest::TempDirC dir("hxapp-dlv");
    ::chmod(dir.Path().c_str(), 0755);
    ::chmod(dir.Mkdir("shared").c_str(), 01777);
    const std::string victim = dir.Mkdir("victim");
    ASSERT_EQ(hxtest::AsUser(attacker, [&] {
      return ::symlink(victim.c_str(), dir.File("shared/drop").c_str()) | ::mkdir(dir.File("shared/theirs").c_str(), 0777);
    }), 0);
    std::string location = std::regex_replace(c.location, std::regex("<dir>"), dir.Path());
    if (!hx::StartsWith(location, "file:")) location = dir.File(location);
    const hxapp::RunT run = Deliver(dir, Ini(dir, location + "/hx"));
    EXPECT_EQ(run.exitCode, c_UploadFailed) << c.what << run.log;
    EXPECT_TRUE(Contains(run.log, "is not trusted and is not used: '" + dir.File(c.culprit) + "' " + c.said))
        << c.what << run.log;
    EXPECT_TRUE(Contains(run.log, "(hxattacker)")) << c.what;
    EXPECT_TRUE(std::filesystem::is_empty(victim) && std::filesystem::is_empty(dir.File("shared/theirs"))) << c.what;
    EXPECT_EQ(FilesIn(dir.File(c_Pending)).size(), 1u) << c.what;
  }
}

}  // namespace
