// chenque-demo: a stand-in for the FM web service the player is built for. It serves
// both programmes' episode lists (morning over HTTP, evening over HTTPS with a
// self-signed certificate), a Date header at "/", cover pictures and spoken audio,
// all on loopback, and it can misbehave on request so that the player's handling
// of a bad service can be seen and tested.

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "audio_fault.h"
#include "episodes.h"
#include "exclusive_listen.h"
#include "media.h"
#include "restartable_port.h"
#include "self_signed.h"

namespace demo {
namespace {

constexpr const char* kListPath = "/fm/read/fmd/h5/getPayResourceList_714.html";

// Long lists show how the player copes with years of episodes.
constexpr int kMaxDays = 1000;
// The newest days are made ahead; older episodes are rarely played, and making
// the audio and covers of years of them at every start would keep the machine
// busy while the player is being watched.
constexpr int kPreparedDays = 8;

const std::set<std::string> kFaultNames = {
    "refuse",               // nothing listens on the ports: connections are refused
    "slow",                 // every answer waits --slow-seconds (past a client's time-out)
    "truncated-json",       // the episode lists stop half-way
    "html-error",           // the episode lists answer 500 with an HTML page
    "no-date",              // no Date header anywhere
    "oversize-headers",     // every answer carries a 256 KiB header
    "broken-audio",         // audio files are not audio
    "bad-cover",            // cover pictures are not pictures
    "title-number",         // every title is a number
    "list-object",          // the morning list's data.list is an object, not an array
    "duration-text",        // every duration is a text that holds no number
    "missing-fields",       // episodes have neither audio nor cover
    "garbage-date",         // the Date header holds no date
    "huge-body",            // the episode lists run past 64 MiB
    "cover-header-flood",   // cover answers carry nearly 1 MiB of short header lines
    "cover-drip",           // cover bodies come one byte every --drip-seconds
    "audio-scheme",         // audio URLs are ftp:// URLs
    "cover-redirect-file",  // covers redirect to a file:// URL
    "cover-redirect-ftp",   // covers redirect to an ftp:// URL
    "stall-audio",          // one audio download stops half-way and never goes on
    "cut-audio-refuse",     // one audio download closes half-way; http refuses for 3 s
};

// How long the plain-HTTP port stays closed after the cut of cut-audio-refuse.
constexpr std::chrono::seconds kRefuseAfterCut{3};

struct Options {
    std::string host = "127.0.0.1";
    int httpPort = 18080;
    int httpsPort = 18443;
    std::string portFile;
    std::string logFile;
    int latencyMs = 0;
    int slowSeconds = 20;
    int dripSeconds = 3;
    ListSettings list;
    std::optional<std::string> now;
    std::set<std::string> faults;
    std::string cacheDir;

    bool Fault(const char* name) const { return faults.count(name) != 0; }
};

void PrintUsage(std::ostream& out) {
    out << "usage: chenque-demo [options]\n"
           "  --host ADDR           address to listen on (default 127.0.0.1)\n"
           "  --http-port N         plain HTTP port (default 18080; 0 = any free)\n"
           "  --https-port N        HTTPS port (default 18443; 0 = any free)\n"
           "  --port-file PATH      write \"http=N\" and \"https=N\" lines there once listening\n"
           "  --log PATH            request log, one JSON object a line (default stdout)\n"
           "  --latency MS          wait this long before every answer\n"
           "  --episodes N          days per list, today included (default 7)\n"
           "  --no-tomorrow         leave out the morning episode dated tomorrow\n"
           "  --short-audio         a few spoken words per episode instead of a bulletin\n"
           "  --repeat-audio N      each episode's words are read N times (default 1)\n"
           "  --now 'Y-M-D H:M:S'   start the service's clock (UTC+8) at this time\n"
           "  --fault NAME[,NAME]   misbehave; NAME is one of:\n"
           "                        refuse slow truncated-json html-error no-date\n"
           "                        oversize-headers broken-audio bad-cover\n"
           "                        title-number list-object duration-text\n"
           "                        missing-fields garbage-date huge-body\n"
           "                        cover-header-flood cover-drip audio-scheme\n"
           "                        cover-redirect-file cover-redirect-ftp\n"
           "                        stall-audio (one audio download stops half-way,\n"
           "                          no data and no close; audio comes paced)\n"
           "                        cut-audio-refuse (one audio download closes half-way,\n"
           "                          then http refuses connections for 3 s; paced)\n"
           "  --slow-seconds N      delay of the slow fault (default 20)\n"
           "  --drip-seconds N      pause between the bytes of cover-drip (default 3)\n"
           "  --cache-dir DIR       where made audio and covers are kept\n"
           "                        (default $TMPDIR/chenque-demo-cache-UID)\n";
}

bool ParseInt(const std::string& text, int low, int high, int* value) {
    try {
        std::size_t used = 0;
        const long parsed = std::stol(text, &used);
        if (used != text.size() || parsed < low || parsed > high) {
            return false;
        }
        *value = static_cast<int>(parsed);
        return true;
    } catch (...) {
        return false;
    }
}

// Returns 0 to run, or the exit code to end with.
int ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                std::cerr << "chenque-demo: " << arg << " needs a value\n";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        auto number = [&](int low, int high, int* out) {
            std::string text;
            if (!value(&text)) {
                return false;
            }
            if (!ParseInt(text, low, high, out)) {
                std::cerr << "chenque-demo: " << arg << " wants a number in " << low << ".." << high
                          << ", not \"" << text << "\"\n";
                return false;
            }
            return true;
        };
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            PrintUsage(std::cout);
            return -1;
        } else if (arg == "--host") {
            ok = value(&options->host);
        } else if (arg == "--http-port") {
            ok = number(0, 65535, &options->httpPort);
        } else if (arg == "--https-port") {
            ok = number(0, 65535, &options->httpsPort);
        } else if (arg == "--port-file") {
            ok = value(&options->portFile);
        } else if (arg == "--log") {
            ok = value(&options->logFile);
        } else if (arg == "--latency") {
            ok = number(0, 600000, &options->latencyMs);
        } else if (arg == "--slow-seconds") {
            ok = number(0, 3600, &options->slowSeconds);
        } else if (arg == "--drip-seconds") {
            ok = number(0, 3600, &options->dripSeconds);
        } else if (arg == "--episodes") {
            ok = number(0, kMaxDays, &options->list.days);
        } else if (arg == "--no-tomorrow") {
            options->list.withTomorrow = false;
        } else if (arg == "--short-audio") {
            options->list.shortAudio = true;
        } else if (arg == "--repeat-audio") {
            ok = number(1, 100, &options->list.audioRepeat);
        } else if (arg == "--now") {
            std::string text;
            ok = value(&text);
            options->now = text;
        } else if (arg == "--cache-dir") {
            ok = value(&options->cacheDir);
        } else if (arg == "--fault") {
            std::string list;
            ok = value(&list);
            std::stringstream names(list);
            for (std::string name; ok && std::getline(names, name, ',');) {
                if (!kFaultNames.count(name)) {
                    std::cerr << "chenque-demo: unknown fault \"" << name << "\"\n";
                    ok = false;
                }
                options->faults.insert(name);
            }
        } else {
            std::cerr << "chenque-demo: unknown option \"" << arg << "\"\n";
            PrintUsage(std::cerr);
            ok = false;
        }
        if (!ok) {
            return 2;
        }
    }
    return 0;
}

// "2026-12-11 20:00:00" (UTC+8) as an offset from the real clock.
std::optional<Clock::duration> ClockOffset(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d%*[ T]%d:%d:%d", &y, &mo, &d, &h, &mi, &s) < 5) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(y), std::chrono::month(mo),
                                           std::chrono::day(d)};
    if (!date.ok() || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0) {
        return std::nullopt;
    }
    const auto wanted = std::chrono::sys_days(date) + std::chrono::hours(h) +
                        std::chrono::minutes(mi) + std::chrono::seconds(s) - std::chrono::hours(8);
    return wanted - Clock::now();
}

class RequestLog {
public:
    explicit RequestLog(FILE* out) : out_(out) {}

    void Write(const char* server, const httplib::Request& req, const httplib::Response& res) {
        nlohmann::json line;
        const std::time_t now = std::time(nullptr);
        std::tm fields{};
        gmtime_r(&now, &fields);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &fields);
        line["time"] = stamp;
        line["server"] = server;
        line["method"] = req.method;
        line["target"] = req.target;
        nlohmann::json headers = nlohmann::json::object();
        for (const auto& [name, value] : req.headers) {
            // httplib files the peer's addresses among the headers; they were not sent.
            if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
                name == "LOCAL_PORT") {
                continue;
            }
            headers[name] = value;
        }
        line["headers"] = headers;
        line["bodyLength"] = req.body.size();
        line["status"] = res.status;
        const std::string text =
            line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        std::lock_guard guard(mutex_);
        std::fprintf(out_, "%s\n", text.c_str());
        std::fflush(out_);
    }

private:
    FILE* out_;
    std::mutex mutex_;
};

class Service {
public:
    Service(Options options, Clock::duration offset, RequestLog& log)
        : options_(std::move(options)),
          offset_(offset),
          log_(log),
          media_(options_.cacheDir),
          audioFault_(options_.Fault("stall-audio")        ? AudioFault::Kind::kStall
                      : options_.Fault("cut-audio-refuse") ? AudioFault::Kind::kCut
                                                           : AudioFault::Kind::kNone,
                      [this] {
                          if (onAudioCut_) {
                              onAudioCut_();
                          }
                      }) {}

    // Runs when the audio fault cuts a connection; set before serving.
    void OnAudioCut(std::function<void()> call) { onAudioCut_ = std::move(call); }

    Clock::time_point Now() const { return Clock::now() + offset_; }
    MediaStore& Media() { return media_; }

    void Install(httplib::Server& server, const char* name) {
        server.set_keep_alive_timeout(2);
        server.set_pre_routing_handler([this](const httplib::Request&, httplib::Response& res) {
            if (options_.latencyMs > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(options_.latencyMs));
            }
            if (options_.Fault("slow")) {
                std::this_thread::sleep_for(std::chrono::seconds(options_.slowSeconds));
            }
            if (options_.Fault("garbage-date")) {
                res.set_header("Date", "Someday, 99 Foo 20X6 25:61:61 LOL");
            } else if (!options_.Fault("no-date")) {
                res.set_header("Date", HttpDate(Now()));
            }
            if (options_.Fault("oversize-headers")) {
                res.set_header("X-Demo-Padding", std::string(256 * 1024, 'x'));
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
        server.set_logger([this, name](const httplib::Request& req, const httplib::Response& res) {
            log_.Write(name, req, res);
        });
        auto list = [this](const httplib::Request& req, httplib::Response& res) {
            ServeList(req, res);
        };
        server.Post(kListPath, list);
        server.Get(kListPath, list);
        server.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
            ServeRoot(req, res);
        });
        server.Get(
            R"(/covers/([a-z0-9]+)\.png)",
            [this](const httplib::Request& req, httplib::Response& res) { ServeCover(req, res); });
        server.Get(
            R"(/audio/([a-z0-9]+)\.mp3)",
            [this](const httplib::Request& req, httplib::Response& res) { ServeAudio(req, res); });
    }

    void SetPorts(int httpPort, int httpsPort) {
        httpPort_ = httpPort;
        httpsPort_ = httpsPort;
    }

    std::vector<Episode> AllEpisodes() const { return NewestEpisodes(options_.list.days); }

    // Both lists' episodes of the newest `days` days (tomorrow's included).
    std::vector<Episode> NewestEpisodes(int days) const {
        ListSettings settings = options_.list;
        settings.days = std::min(days, settings.days);
        auto all = EpisodeList(Edition::kMorning, Now(), settings);
        auto evening = EpisodeList(Edition::kEvening, Now(), settings);
        all.insert(all.end(), evening.begin(), evening.end());
        return all;
    }

private:
    // Covers and audio are offered on the plain HTTP port, under the host name the
    // client used to reach us, so links work for whichever name it knows us by.
    std::string MediaOrigin(const httplib::Request& req) const {
        std::string host = req.get_header_value("Host");
        if (!host.empty() && host.front() == '[') {
            host = host.substr(0, host.find(']') + 1);
        } else if (auto colon = host.find(':'); colon != std::string::npos) {
            host.resize(colon);
        }
        if (host.empty()) {
            host = options_.host;
        }
        std::string origin = "http://" + host;
        if (httpPort_ != 80) {
            origin += ":" + std::to_string(httpPort_);
        }
        return origin;
    }

    void ServeList(const httplib::Request& req, httplib::Response& res) {
        if (options_.Fault("html-error")) {
            res.status = 500;
            res.set_content(
                "<!DOCTYPE html>\n<html><head><title>500 Internal Server Error</title></head>"
                "<body><h1>500 Internal Server Error</h1><p>服务暂时不可用，请稍后再试。</p>"
                "</body></html>\n",
                "text/html; charset=UTF-8");
            return;
        }
        const std::string pid = req.get_param_value("pid");
        nlohmann::json body;
        nlohmann::json list = nlohmann::json::array();
        if (pid == kMorningProgrammeId || pid == kEveningProgrammeId) {
            const Edition edition =
                pid == kMorningProgrammeId ? Edition::kMorning : Edition::kEvening;
            const std::string origin = MediaOrigin(req);
            for (const auto& episode : EpisodeList(edition, Now(), options_.list)) {
                const int seconds = media_.AudioSeconds(episode);
                char published[16];
                std::snprintf(published, sizeof published, "%04d-%02u-%02u",
                              static_cast<int>(episode.date.year()),
                              static_cast<unsigned>(episode.date.month()),
                              static_cast<unsigned>(episode.date.day()));
                list.push_back({
                    {"id", episode.id},
                    {"title", episode.title},
                    {"duration", seconds < 0 ? 0 : seconds},
                    {"img194_194", origin + "/covers/" + episode.id + ".png"},
                    {"audiolist",
                     nlohmann::json::array({{{"filePath", origin + "/audio/" + episode.id + ".mp3"},
                                             {"fileType", "mp3"}}})},
                    {"publishDate", published},
                });
                Misshape(list.back(), episode, req);
            }
            if (options_.Fault("list-object") && edition == Edition::kMorning) {
                nlohmann::json members = nlohmann::json::object();
                for (std::size_t i = 0; i < list.size(); ++i) {
                    members[std::to_string(i)] = list[i];
                }
                list = members;
            }
            body["code"] = "0";
            body["msg"] = "success";
        } else {
            body["code"] = "404";
            body["msg"] = "节目不存在";
        }
        body["data"] = {{"pageNum", 1}, {"pageSize", list.size()}, {"list", list}};
        std::string text = body.dump();
        if (options_.Fault("truncated-json")) {
            text.resize(text.size() / 2);
        }
        if (options_.Fault("huge-body")) {
            ServeHuge(std::move(text), res);
            return;
        }
        res.set_content(text, "application/json;charset=UTF-8");
    }

    // Valid JSON whose fields are missing or of the wrong kind.
    void Misshape(nlohmann::json& item, const Episode& episode, const httplib::Request& req) const {
        if (options_.Fault("title-number")) {
            item["title"] = std::stoll(episode.id.substr(1));  // the date as digits
        }
        if (options_.Fault("duration-text")) {
            item["duration"] = "about five minutes";
        }
        if (options_.Fault("missing-fields")) {
            item.erase("audiolist");
            item.erase("img194_194");
        }
        if (options_.Fault("audio-scheme")) {
            std::string origin = MediaOrigin(req);
            item["audiolist"][0]["filePath"] =
                "ftp" + origin.substr(origin.find(':')) + "/audio/" + episode.id + ".mp3";
        }
    }

    // A list that goes on past 64 MiB, sent in chunks so no length announces it.
    static void ServeHuge(std::string text, httplib::Response& res) {
        constexpr std::size_t kPadding = (std::size_t{64} << 20) + (std::size_t{1} << 20);
        const std::size_t close = text.rfind('}');
        auto head = std::make_shared<std::string>(text.substr(0, close) + ",\"padding\":\"");
        auto tail = std::make_shared<std::string>("\"" + text.substr(close));
        res.set_chunked_content_provider("application/json;charset=UTF-8",
                                         [head, tail](std::size_t offset, httplib::DataSink& sink) {
                                             static const std::string piece(64 * 1024, 'x');
                                             if (offset == 0) {
                                                 return sink.write(head->data(), head->size());
                                             }
                                             if (offset < head->size() + kPadding) {
                                                 return sink.write(piece.data(), piece.size());
                                             }
                                             sink.write(tail->data(), tail->size());
                                             sink.done();
                                             return true;
                                         });
    }

    void ServeRoot(const httplib::Request& req, httplib::Response& res) {
        const std::string origin = MediaOrigin(req);
        std::string page =
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>晨鹊 demo service</title>"
            "</head><body><h1>晨鹊 demo service</h1><ul>\n";
        for (const auto& episode : AllEpisodes()) {
            page += "<li>" + episode.title + ": <a href=\"" + origin + "/audio/" + episode.id +
                    ".mp3\">audio</a> <a href=\"" + origin + "/covers/" + episode.id +
                    ".png\">cover</a></li>\n";
        }
        page += "</ul></body></html>\n";
        res.set_content(page, "text/html; charset=UTF-8");
    }

    void ServeCover(const httplib::Request& req, httplib::Response& res) {
        const auto episode = EpisodeById(req.matches[1], Now(), options_.list);
        if (!episode) {
            res.status = 404;
            return;
        }
        if (options_.Fault("bad-cover")) {
            res.set_content("this is not a picture\n", "image/png");
            return;
        }
        if (options_.Fault("cover-redirect-file")) {
            res.set_redirect("file:///etc/hostname");
            return;
        }
        if (options_.Fault("cover-redirect-ftp")) {
            const std::string origin = MediaOrigin(req);
            res.set_redirect("ftp" + origin.substr(origin.find(':')) + req.path);
            return;
        }
        if (options_.Fault("cover-header-flood")) {
            // Short lines, a cookie among them now and then: just under 1 MiB in all.
            std::size_t bytes = 0;
            for (int i = 0; bytes < 1000 * 1024; ++i) {
                if (i % 1000 == 0) {
                    res.set_header("Set-Cookie", "flood" + std::to_string(i) + "=1; Path=/");
                    bytes += 40;
                } else {
                    const std::string name = "X-Flood-" + std::to_string(i);
                    res.set_header(name, "1");
                    bytes += name.size() + 5;
                }
            }
        }
        if (options_.Fault("cover-drip")) {
            ServeDrip(media_.CoverFile(*episode), res);
            return;
        }
        ServeFile(media_.CoverFile(*episode), "image/png", res);
    }

    // The picture one byte at a time, a pause between each: never stalled, never done.
    void ServeDrip(const std::string& path, httplib::Response& res) {
        std::ifstream in(path, std::ios::binary);
        auto content = std::make_shared<std::string>(std::istreambuf_iterator<char>(in),
                                                     std::istreambuf_iterator<char>());
        const auto pause = std::chrono::seconds(options_.dripSeconds);
        res.set_chunked_content_provider(
            "image/png", [content, pause](std::size_t offset, httplib::DataSink& sink) {
                if (offset >= content->size()) {
                    sink.done();
                    return true;
                }
                if (offset > 0) {
                    std::this_thread::sleep_for(pause);
                }
                return sink.write(content->data() + offset, 1);
            });
    }

    void ServeAudio(const httplib::Request& req, httplib::Response& res) {
        const auto episode = EpisodeById(req.matches[1], Now(), options_.list);
        if (!episode) {
            res.status = 404;
            return;
        }
        if (options_.Fault("broken-audio")) {
            std::string junk;
            while (junk.size() < 64 * 1024) {
                junk += "this is not audio, only text standing in for it.\n";
            }
            res.set_content(junk, "audio/mpeg");
            return;
        }
        if (audioFault_.Active()) {
            std::ifstream in(media_.AudioFile(*episode), std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            if (!in || content.str().empty()) {
                res.status = 500;
                return;
            }
            audioFault_.Serve(content.str(), "audio/mpeg", res);
            return;
        }
        ServeFile(media_.AudioFile(*episode), "audio/mpeg", res);
    }

    // set_content lets httplib answer Range requests with 206 and the slice asked for.
    static void ServeFile(const std::string& path, const char* type, httplib::Response& res) {
        std::ifstream in(path, std::ios::binary);
        if (path.empty() || !in) {
            res.status = 500;
            res.set_content("could not make the file\n", "text/plain");
            return;
        }
        std::ostringstream content;
        content << in.rdbuf();
        res.set_header("Cache-Control", "no-cache");
        res.set_content(content.str(), type);
    }

    Options options_;
    Clock::duration offset_;
    RequestLog& log_;
    MediaStore media_;
    int httpPort_ = 0;
    int httpsPort_ = 0;
    AudioFault audioFault_;
    std::function<void()> onAudioCut_;
};

// A port nothing listens on: bound once to learn a free one, then released.
int FreePort(const std::string& host) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    socklen_t length = sizeof address;
    int port = -1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

// The port bound, or -1 with errno telling why not.
int Bind(httplib::Server& server, const std::string& host, int port) {
    // As web servers do: a reply written in pieces (TLS records, headers and body)
    // must not wait for the client's delayed acknowledgement of the first piece.
    // The listening socket hands the setting on to every connection it accepts.
    server.set_tcp_nodelay(true);
    demo::ListenExclusively(server);
    errno = 0;
    if (port == 0) {
        return server.bind_to_any_port(host);
    }
    return server.bind_to_port(host, port) ? port : -1;
}

int CannotListen(const std::string& host, int port, int error) {
    std::cerr << "chenque-demo: cannot listen on " << host << ":" << port;
    if (error == EADDRINUSE) {
        std::cerr << ": the port is in use (is another chenque-demo running?)";
    } else if (error != 0) {
        std::cerr << ": " << std::strerror(error);
    }
    std::cerr << "\n";
    return 1;
}

// Written aside and renamed, so a reader never sees half a file.
bool WritePortFile(const std::string& path, int httpPort, int httpsPort) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "http=" << httpPort << "\nhttps=" << httpsPort << "\n";
        if (!out) {
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

int Run(int argc, char** argv) {
    Options options;
    if (const int rc = ParseOptions(argc, argv, &options); rc != 0) {
        return rc < 0 ? 0 : rc;
    }
    Clock::duration offset{};
    if (options.now) {
        const auto parsed = ClockOffset(*options.now);
        if (!parsed) {
            std::cerr << "chenque-demo: --now wants 'YYYY-MM-DD HH:MM:SS', not \"" << *options.now
                      << "\"\n";
            return 2;
        }
        offset = *parsed;
    }
    if (options.cacheDir.empty()) {
        std::error_code ignored;
        options.cacheDir = (std::filesystem::temp_directory_path(ignored) /
                            ("chenque-demo-cache-" + std::to_string(::getuid())))
                               .string();
    }
    FILE* logOut = stdout;
    if (!options.logFile.empty()) {
        logOut = std::fopen(options.logFile.c_str(), "a");
        if (!logOut) {
            std::cerr << "chenque-demo: cannot open the log " << options.logFile << "\n";
            return 1;
        }
    }

    // Signals are taken by the main thread alone; the server threads never see them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    RequestLog log(logOut);
    Service service(options, offset, log);
    httplib::Server http;
    auto identity = MakeSelfSignedIdentity();
    if (!identity.key) {
        std::cerr << "chenque-demo: could not make a certificate\n";
        return 1;
    }
    httplib::SSLServer https(identity.cert.get(), identity.key.get());
    if (!https.is_valid()) {
        std::cerr << "chenque-demo: could not set up TLS\n";
        return 1;
    }

    int httpPort = -1;
    int httpsPort = -1;
    const bool refuse = options.Fault("refuse");
    if (refuse) {
        httpPort = options.httpPort == 0 ? FreePort(options.host) : options.httpPort;
        httpsPort = options.httpsPort == 0 ? FreePort(options.host) : options.httpsPort;
    } else {
        httpPort = Bind(http, options.host, options.httpPort);
        if (httpPort <= 0) {
            return CannotListen(options.host, options.httpPort, errno);
        }
        httpsPort = Bind(https, options.host, options.httpsPort);
        if (httpsPort <= 0) {
            return CannotListen(options.host, options.httpsPort, errno);
        }
    }
    if (httpPort <= 0 || httpsPort <= 0) {
        std::cerr << "chenque-demo: no free port to refuse connections on\n";
        return 1;
    }
    service.SetPorts(httpPort, httpsPort);
    if (!refuse) {
        service.Install(http, "http");
        service.Install(https, "https");
        // The process ends by _Exit below, so nothing waits for these threads.
        static RestartablePort plainPort(options.host, httpPort, [&service] {
            auto server = std::make_unique<httplib::Server>();
            demo::ListenExclusively(*server);
            service.Install(*server, "http");
            return server;
        });
        plainPort.Start(http);
        service.OnAudioCut([] { plainPort.CloseFor(kRefuseAfterCut); });
        std::thread([&https] { https.listen_after_bind(); }).detach();
        // Made ahead so the first listeners need not wait; a request for something
        // not made yet makes it itself.
        std::thread([&service, episodes = service.NewestEpisodes(kPreparedDays)] {
            service.Media().Prepare(episodes);
        }).detach();
    }
    if (!options.portFile.empty() && !WritePortFile(options.portFile, httpPort, httpsPort)) {
        std::cerr << "chenque-demo: cannot write " << options.portFile << "\n";
        return 1;
    }
    std::cerr << "chenque-demo: " << (refuse ? "refusing connections on" : "serving") << " http://"
              << options.host << ":" << httpPort << "/ and https://" << options.host << ":"
              << httpsPort << "/ (cache " << options.cacheDir << ")" << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    // Nothing is left to save: every cache file is complete or absent, and clients
    // simply see their connections end. Waiting for idle keep-alive connections
    // would only slow down whoever stops us.
    std::fflush(logOut);
    std::_Exit(0);
}

}  // namespace
}  // namespace demo

int main(int argc, char** argv) {
    return demo::Run(argc, argv);
}
