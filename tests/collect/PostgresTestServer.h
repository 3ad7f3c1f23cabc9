#pragma once
// A PostgreSQL server of the test program's own, for the collector's tests on that engine:
// made by initdb in a temporary directory, started by pg_ctl on a free port of 127.0.0.1 with
// its socket in that directory, run by an ordinary account when the tests run as root (the
// server refuses root), stopped and removed when the program ends. Clients log in with a
// password that only a password file holds (libpq's passfile), never a command line.

#include <arpa/inet.h>
#include <glob.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "collect/store/SqlDb.h"
#include "support/TestSupport.h"

namespace collecttest {

class PostgresServerC {
 public:
  PostgresServerC() : owner_(::getpid()) { why_ = Start(); }
  ~PostgresServerC() {
    if (started_ && ::getpid() == owner_) Run({bin_ + "/pg_ctl", "-D", data_, "-m", "immediate", "-w", "stop"});
  }
  PostgresServerC(const PostgresServerC&) = delete;
  PostgresServerC& operator=(const PostgresServerC&) = delete;

  // Stops the server and starts it again: its clients' connections are lost.
  bool Restart() const { return Run({bin_ + "/pg_ctl", "-D", data_, "-l", dir_.File("server.log"), "-m", "fast", "-w", "restart"}); }
  // Empty when the server runs; otherwise why it does not.
  const std::string& Why() const { return why_; }
  std::string Url(const std::string& database) const {
    return "postgresql://hxtest@127.0.0.1:" + std::to_string(port_) + "/" + database + "?passfile=" + dir_.File("pgpass");
  }
  // The URL of a new, empty database as the collector sees one: a schema of its own that the
  // URL puts first on the search path (a schema is made and removed far faster than a
  // database, which is hundreds of files).
  std::string NewDatabase() {
    const std::string name = "hxtest" + std::to_string(++databases_);
    std::string why;
    std::unique_ptr<hxc::SqlDbI> admin = hxc::OpenPostgres(Url("postgres"), &why);
    EXPECT_TRUE(admin != nullptr) << why;
    if (admin != nullptr) {
      EXPECT_EQ(admin->Exec("CREATE SCHEMA " + name), hx::RC_OK) << admin->errorText();
    }
    return Url("postgres") + "&options=-c%20search_path%3D" + name;
  }

 private:
  // Runs a server program as the server's account; its output goes to the directory's log.
  bool Run(const std::vector<std::string>& args) const {
    const std::string log = dir_.File("log");
    const int rc = hxtest::AsUser(uid_, [&] {
      const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
      std::vector<char*> argv;
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      if (out < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0 || ::chdir(dir_.Path().c_str()) != 0) return 126;
      ::execv(argv[0], argv.data());
      return 127;
    });
    return rc == 0;
  }

  static int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    ::close(s);
    return ok ? ntohs(a.sin_port) : 0;
  }

  std::string Start() {
    glob_t found{};
    if (::glob("/usr/lib/postgresql/*/bin/pg_ctl", 0, nullptr, &found) != 0 || found.gl_pathc == 0) {
      ::globfree(&found);
      return "Debian's postgresql is not installed (no /usr/lib/postgresql/*/bin/pg_ctl)";
    }
    bin_ = std::filesystem::path(found.gl_pathv[found.gl_pathc - 1]).parent_path().string();
    ::globfree(&found);
    uid_ = ::geteuid() == 0 ? hxtest::AttackerUid() : ::geteuid();
    const struct passwd* pw = ::getpwuid(uid_);
    if (uid_ == 0 || pw == nullptr) return "no ordinary account to run the server as";
    if (!dir_.ok() || ::chown(dir_.Path().c_str(), uid_, pw->pw_gid) != 0) return "cannot make the server's directory";
    // A password of this run, in a file for initdb and in the clients' password file.
    std::string password;
    for (const unsigned char c : hxtest::ReadFile("/proc/sys/kernel/random/uuid")) {
      if (std::isxdigit(c)) password += static_cast<char>(c);
    }
    const std::string pwfile = dir_.File("password");
    hxtest::WriteFile(pwfile, password + "\n");
    data_ = dir_.File("data");
    if (::chown(pwfile.c_str(), uid_, pw->pw_gid) != 0 || ::chmod(pwfile.c_str(), 0600) != 0 ||
        !Run({bin_ + "/initdb", "-D", data_, "-U", "hxtest", "--pwfile=" + pwfile, "--auth-local=trust",
              "--auth-host=scram-sha-256", "-E", "UTF8", "--no-locale", "--no-sync"}))
      return "initdb failed: " + hxtest::ReadFile(dir_.File("log"));
    std::filesystem::remove(pwfile);
    // The port may be taken between the look and the start: another one then.
    for (int attempt = 0; attempt < 3 && !started_; ++attempt) {
      port_ = FreePort();
      started_ = Run({bin_ + "/pg_ctl", "-D", data_, "-l", dir_.File("server.log"), "-w", "-t", "60", "-o",
                      "-c port=" + std::to_string(port_) + " -c listen_addresses=127.0.0.1 -c unix_socket_directories=" +
                          dir_.Path() + " -c fsync=off",
                      "start"});
    }
    if (!started_) return "the server did not start: " + hxtest::ReadFile(dir_.File("server.log"));
    const std::string passfile = dir_.File("pgpass");
    hxtest::WriteFile(passfile, "127.0.0.1:" + std::to_string(port_) + ":*:hxtest:" + password + "\n");
    ::chmod(passfile.c_str(), 0600);
    return "";
  }

  hxtest::TempDirC dir_{"hxtest-pg"};
  const pid_t owner_;  // a forked child that ends does not stop the server
  std::string bin_, data_, why_;
  uid_t uid_ = 0;
  int port_ = 0, databases_ = 0;
  bool started_ = false;
};

// The test program's server, started when a test first asks for it.
inline PostgresServerC& PostgresServer() {
  static PostgresServerC s_server;
  return s_server;
}

}  // namespace collecttest
