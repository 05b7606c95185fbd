#include "camsim/sim_options.h"

#include <cerrno>
#include <cstdlib>

namespace kelvara {
namespace camsim {

const char kSimUsage[] =
    "usage: kelvara-camsim [options]\n"
    "  --port N               register the camera as COM<N> (1..127; default: first free 1..99)\n"
    "  --scene pattern|room   what the camera sees (default room)\n"
    "  --link-rate BYTES_PER_S  pace replies like a real link (default 0: unpaced)\n"
    "  --drop-every N         leave every Nth result request unanswered\n"
    "  --corrupt-every N      answer every Nth result request with a wrong start byte\n"
    "  --truncate-every N     answer every Nth result request with a short frame\n"
    "  --warm-up MINUTES      room scene: the camera warms up by 15 degC with this time constant,\n"
    "                         its distances drifting 1.6 mm per degC (default: no drift)\n"
    "  --seed S               seed of the noise and of the faults (default 1)\n"
    "  --replay FILE          serve a recording of kelvara-capture --record instead of a scene\n"
    "  --loop                 with --replay: start again after the last frame\n"
    "  --rate-from-file       with --replay: the recorded pacing (the default)\n"
    "  --fps N                with --replay: N frames per second instead (0: as fast as asked)\n"
    "  --help                 this text\n"
    "  --version              the program's version\n"
    "When ready it prints \"COM<N> <device path>\". SIGINT or SIGTERM ends it.\n";

namespace {

bool ParseInt(const std::string& text, long long lo, long long hi, long long* out) {
  if (text.empty() || text[0] == '+' || text[0] == ' ') return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool IsValueOption(const std::string& name) {
  for (const char* known : {"--port", "--scene", "--link-rate", "--drop-every", "--corrupt-every", "--truncate-every",
                            "--seed", "--replay", "--fps", "--warm-up"})
    if (name == known) return true;
  return false;
}

bool Fail(std::string* error, const std::string& why) {
  *error = why;
  return false;
}

}  // namespace

bool ParseSimOptions(int argc, const char* const* argv, SimOptions* out, std::string* error) {
  bool scene_given = false, rate_from_file = false;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::string value;
    bool has_value = false;
    const size_t eq = name.find('=');
    if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_value = true;
    }
    if (name == "--help" || name == "-h") {
      out->help = true;
      continue;
    }
    if ((name == "--loop" || name == "--rate-from-file") && !has_value) {
      (name == "--loop" ? out->loop : rate_from_file) = true;
      continue;
    }
    // An unknown option is named as such, whether or not a value follows.
    if (!IsValueOption(name)) {
      *error = name.rfind("--", 0) == 0 ? "unknown option " + name : "unknown argument " + name;
      return false;
    }
    if (!has_value) {
      if (i + 1 >= argc) {
        *error = name.rfind("--", 0) == 0 ? name + " needs a value" : "unknown argument " + name;
        return false;
      }
      value = argv[++i];
    }
    long long v = 0;
    if (name == "--port") {
      if (!ParseInt(value, 1, 127, &v)) return Fail(error, "--port takes a number from 1 to 127");
      out->port = static_cast<int>(v);
    } else if (name == "--scene") {
      if (value != "pattern" && value != "room") return Fail(error, "--scene is pattern or room");
      out->scene = value;
      scene_given = true;
    } else if (name == "--link-rate") {
      if (!ParseInt(value, 0, 1LL << 40, &v)) return Fail(error, "--link-rate takes bytes per second (0 or more)");
      out->link_rate = v;
    } else if (name == "--drop-every" || name == "--corrupt-every" || name == "--truncate-every") {
      if (!ParseInt(value, 0, 1 << 30, &v)) return Fail(error, name + " takes a count (0 = never)");
      int& every = name == "--drop-every"      ? out->faults.drop_every
                   : name == "--corrupt-every" ? out->faults.corrupt_every
                                               : out->faults.truncate_every;
      every = static_cast<int>(v);
    } else if (name == "--seed") {
      if (!ParseInt(value, 0, (1LL << 62), &v)) return Fail(error, "--seed takes a number");
      out->faults.seed = static_cast<uint64_t>(v);
    } else if (name == "--replay") {
      if (value.empty()) return Fail(error, "--replay needs a recording file");
      out->replay = value;
    } else if (name == "--warm-up") {
      char* end = nullptr;
      errno = 0;
      const double minutes = std::strtod(value.c_str(), &end);
      if (value.empty() || errno != 0 || *end != '\0' || !(minutes > 0 && minutes <= 1440))
        return Fail(error, "--warm-up takes minutes above 0, at most 1440");
      out->warm_up_minutes = minutes;
    } else if (name == "--fps") {
      if (!ParseInt(value, 0, 1000, &v)) return Fail(error, "--fps takes frames per second from 0 to 1000");
      out->fps = static_cast<int>(v);
    } else {
      *error = "unknown option " + name;
      return false;
    }
  }
  if (out->replay.empty() && (out->loop || rate_from_file || out->fps >= 0))
    return Fail(error, "--loop, --rate-from-file and --fps go with --replay");
  if (rate_from_file && out->fps >= 0) return Fail(error, "--rate-from-file and --fps exclude each other");
  if (scene_given && !out->replay.empty()) return Fail(error, "--scene and --replay exclude each other");
  if (out->warm_up_minutes > 0 && (out->scene != "room" || !out->replay.empty()))
    return Fail(error, "--warm-up goes with the room scene");
  return true;
}

}  // namespace camsim
}  // namespace kelvara
