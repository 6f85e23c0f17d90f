#include "mqtt_peers.hpp"

#include <mosquitto.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tev::collect::peers {
namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

Broker::Broker(int port) : m_port(port) {
    char folder[] = "/tmp/tev-broker-XXXXXX";
    m_folder = ::mkdtemp(folder) != nullptr ? folder : "";
    writeConfig("allow_anonymous true\n");
}

Broker::~Broker() {
    stop();
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder);
}

void Broker::writeConfig(const std::string& access) {
    std::ofstream(m_folder + "/mosquitto.conf") << "listener " << m_port << " 127.0.0.1\n"
                                                << access << "persistence false\nlog_dest none\n";
}

// The broker, when started by root, reads its files as the user "mosquitto".
void Broker::shareFile(const std::string& file) {
    std::filesystem::permissions(m_folder, std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    std::filesystem::permissions(file, std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
}

std::string Broker::requireTls() {
    const std::string cert = m_folder + "/cert.pem";
    const std::string key = m_folder + "/key.pem";
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        key + "' -out '" + cert + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    shareFile(cert);
    shareFile(key);
    writeConfig("allow_anonymous true\ncertfile " + cert + "\nkeyfile " + key + "\n");
    return cert;
}

bool Broker::requirePassword(const std::string& user, const std::string& password) {
    const std::string file = m_folder + "/passwords";
    const std::string command = "mosquitto_passwd -c -b '" + file + "' '" + user + "' '" + password + "'";
    if (std::system(command.c_str()) != 0)
        return false;
    shareFile(file);
    writeConfig("allow_anonymous false\npassword_file " + file + "\n");
    return true;
}

bool Broker::start() {
    const std::string config = m_folder + "/mosquitto.conf";
    m_pid = ::fork();
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // gone with the test, however it ends
        ::execl("/usr/sbin/mosquitto", "mosquitto", "-c", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 500; ++i) {
        if (Accepts(m_port))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void Broker::stop() {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

Subscriber::Subscriber(int port, std::string filter, Heard heard)
    : m_filter(std::move(filter)), m_heard(std::move(heard)) {
    mosquitto_lib_init();
    m_handle = mosquitto_new(nullptr, true, this);
    mosquitto_connect_callback_set(m_handle, &Subscriber::onConnect);
    mosquitto_message_callback_set(m_handle, &Subscriber::onMessage);
    mosquitto_reconnect_delay_set(m_handle, 1, 1, false);
    mosquitto_connect_async(m_handle, "127.0.0.1", port, 30);
    mosquitto_loop_start(m_handle);
}

Subscriber::~Subscriber() {
    mosquitto_disconnect(m_handle);
    mosquitto_loop_stop(m_handle, false);
    mosquitto_destroy(m_handle);
}

void Subscriber::onConnect(mosquitto* handle, void* self, int code) {
    if (code == 0)
        mosquitto_subscribe(handle, nullptr, static_cast<Subscriber*>(self)->m_filter.c_str(), 1);
}

void Subscriber::onMessage(mosquitto* /*handle*/, void* self, const mosquitto_message* message) {
    auto& subscriber = *static_cast<Subscriber*>(self);
    if (subscriber.m_heard)
        subscriber.m_heard(message->topic);
    {
        const std::lock_guard lock(subscriber.m_mutex);
        const std::string payload(static_cast<const char*>(message->payload),
                                  static_cast<std::size_t>(message->payloadlen));
        subscriber.m_topics[message->topic] = payload;
        auto& history = subscriber.m_history[message->topic];
        if (history.size() >= 1000)
            history.erase(history.begin());
        history.push_back(payload);
        ++subscriber.m_messages;
    }
    subscriber.m_changed.notify_all();
}

bool Subscriber::waitFor(const std::function<bool(const Topics&)>& done, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return done(m_topics); });
}

Topics Subscriber::topics() {
    const std::lock_guard lock(m_mutex);
    return m_topics;
}

std::vector<std::string> Subscriber::history(const std::string& topic) {
    const std::lock_guard lock(m_mutex);
    const auto found = m_history.find(topic);
    return found != m_history.end() ? found->second : std::vector<std::string>{};
}

std::uint64_t Subscriber::messages() {
    const std::lock_guard lock(m_mutex);
    return m_messages;
}

void Subscriber::forget() {
    const std::lock_guard lock(m_mutex);
    m_topics.clear();
}

} // namespace tev::collect::peers
