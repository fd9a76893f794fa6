#include "options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "bm_line_encoder.h"
#include "tag_line_encoder.h"

namespace tarvelo::balance_sim {

namespace {

constexpr int kMaxDecimals = 6;
constexpr int kMinComPort = 1;
constexpr int kMaxComPort = 256;
constexpr std::uint32_t kMaxBSerialNumber = 0xFFFFFF;
constexpr int kMaxPeriodMs = 60'000;
constexpr double kMsPerSecond = 1000.0;
constexpr char kFirstVisibleChar = '!';
constexpr char kLastVisibleChar = '~';
constexpr std::string_view kHexPrefix = "0x";
constexpr std::string_view kTagReaderStdin = "--tag-reader-stdin";

[[noreturn]] void fail(std::string_view option, std::string_view value, std::string_view why) {
  std::string message(option);
  if (!value.empty()) message += " " + std::string(value);
  throw std::invalid_argument(message + ": " + std::string(why));
}

template <typename Integer>
Integer parseInteger(std::string_view option, std::string_view text, Integer min, Integer max) {
  int base = 10;
  std::string_view digits = text;
  if (digits.size() > kHexPrefix.size() &&
      (digits.starts_with(kHexPrefix) || digits.starts_with("0X"))) {
    base = 16;
    digits.remove_prefix(kHexPrefix.size());
  }
  long long value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc{} || end != digits.data() + digits.size())
    fail(option, text, "not a number");
  if (value < static_cast<long long>(min) || value > static_cast<long long>(max)) {
    fail(option, text, "must be between " + std::to_string(min) + " and " + std::to_string(max));
  }
  return static_cast<Integer>(value);
}

double parseDecimal(std::string_view option, std::string_view text, double min) {
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
    fail(option, text, "not a number");
  }
  if (value < min) fail(option, text, "too small");
  return value;
}

ProtocolKind parseProtocol(std::string_view text) {
  if (text == "tsk") return ProtocolKind::Tsk;
  if (text == "b") return ProtocolKind::B;
  if (text == "bm") return ProtocolKind::Bm;
  fail("--protocol", text, "expected tsk, b or bm");
}

std::vector<std::string> parseTags(std::string_view text) {
  std::vector<std::string> tags;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const std::string_view tag = text.substr(0, comma);
    if (!isTagDigits(tag)) fail("--tags", tag, "a tag is 15 digits");
    tags.emplace_back(tag);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  if (tags.empty()) fail("--tags", text, "no tags");
  return tags;
}

bool isVisibleText(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return c >= kFirstVisibleChar && c <= kLastVisibleChar; });
}

// The model means a code for b and a text for bm; it is checked once the protocol is known.
void applyModel(Options& options, const std::optional<std::string>& model) {
  if (!model) return;
  if (options.protocol == ProtocolKind::B) {
    options.bModelCode = parseInteger<std::uint8_t>("--model", *model, 0, 0xFF);
  } else if (options.protocol == ProtocolKind::Bm) {
    if (model->empty() || model->size() > kBmModelMaxChars || !isVisibleText(*model)) {
      fail("--model", *model, "expected up to 15 visible characters without blanks");
    }
    options.bmModel = *model;
  }
}

}  // namespace

Options parseOptions(int argc, char** argv) {
  Options options;
  std::optional<std::string> model;
  bool protocolGiven = false;
  bool noisyWeightGiven = false;
  bool fixedWeightGiven = false;
  bool tagsGiven = false;
  const std::vector<std::string_view> args(argv + 1, argv + argc);

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    std::string_view value;
    bool inlineValue = false;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      inlineValue = true;
    }
    if (name == "--help") {
      options.showHelp = true;
      return options;
    }
    if (name == kTagReaderStdin) {
      if (inlineValue) fail(name, value, "takes no value");
      options.tagReaderStdin = true;
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) fail(name, "", "needs a value");
      value = args[++i];
    }

    if (name == "--protocol") {
      options.protocol = parseProtocol(value);
      protocolGiven = true;
    } else if (name == "--com") {
      options.comPort = parseInteger(name, value, kMinComPort, kMaxComPort);
    } else if (name == "--weights") {
      options.weightsFile = std::filesystem::path(value);
    } else if (name == "--profile") {
      options.profile = parseProfile(value);
    } else if (name == "--weight") {
      options.weightGrams = parseDecimal(name, value, std::numeric_limits<double>::lowest());
      noisyWeightGiven = true;
      fixedWeightGiven = true;
    } else if (name == "--noise") {
      options.noiseSdGrams = parseDecimal(name, value, 0.0);
      noisyWeightGiven = true;
    } else if (name == "--seed") {
      options.seed =
          parseInteger(name, value, std::uint32_t{0}, std::numeric_limits<std::uint32_t>::max());
      noisyWeightGiven = true;
    } else if (name == "--decimals") {
      options.decimals = parseInteger(name, value, 0, kMaxDecimals);
    } else if (name == "--model") {
      model = std::string(value);
    } else if (name == "--serial") {
      options.serialNumber =
          parseInteger(name, value, std::uint32_t{0}, std::numeric_limits<std::uint32_t>::max());
    } else if (name == "--unstable-every") {
      options.rules.unstableEvery =
          parseInteger(name, value, 0U, std::numeric_limits<unsigned>::max());
    } else if (name == "--unstable-step") {
      options.rules.unstableStepGrams = parseDecimal(name, value, 0.0);
    } else if (name == "--silent-after") {
      options.rules.silentAfter =
          parseInteger(name, value, 0U, std::numeric_limits<unsigned>::max());
    } else if (name == "--silent-for") {
      options.rules.silentFor = std::chrono::milliseconds(
          std::llround(parseDecimal(name, value, 0.0) * kMsPerSecond));
    } else if (name == "--corrupt-every") {
      options.rules.corruptEvery =
          parseInteger(name, value, 0U, std::numeric_limits<unsigned>::max());
    } else if (name == "--period-ms") {
      options.bmPeriod = std::chrono::milliseconds(parseInteger(name, value, 1, kMaxPeriodMs));
    } else if (name == "--tag-reader-com") {
      options.tagReaderCom = parseInteger(name, value, kMinComPort, kMaxComPort);
    } else if (name == "--tags") {
      options.tags = parseTags(value);
      tagsGiven = true;
    } else {
      fail(name, "", "unknown option (see --help)");
    }
  }

  if (!protocolGiven) throw std::invalid_argument("--protocol is required (tsk, b or bm)");
  if (options.weightsFile && noisyWeightGiven) {
    throw std::invalid_argument("--weights cannot be combined with --weight, --noise or --seed");
  }
  if (!options.profile.empty() && (options.weightsFile || fixedWeightGiven)) {
    throw std::invalid_argument("--profile cannot be combined with --weights or --weight");
  }
  if (options.protocol == ProtocolKind::B && options.serialNumber > kMaxBSerialNumber) {
    fail("--serial", std::to_string(options.serialNumber),
         "the b balance has a 24-bit serial number");
  }
  if ((tagsGiven || options.tagReaderStdin) && !options.tagReaderCom) {
    throw std::invalid_argument("--tags and --tag-reader-stdin need --tag-reader-com");
  }
  if (tagsGiven && options.profile.empty()) {
    throw std::invalid_argument("--tags needs --profile, whose loaded steps read them");
  }
  if (options.tagReaderCom && options.tagReaderCom == options.comPort) {
    throw std::invalid_argument("--tag-reader-com needs a COM port of its own");
  }
  applyModel(options, model);
  return options;
}

const char* usageText() {
  return "usage: tarvelo-balance-sim --protocol tsk|b|bm [options]\n"
         "Simulates a laboratory balance on a pseudo-terminal and prints the slave device path.\n"
         "  --com N               link COM port N to the pseudo-terminal\n"
         "  --weights FILE        weights in grams, one per line, cycled\n"
         "  --profile STEPS       a load over time, repeated: steps SECONDS:GRAMS[-GRAMS]:NOISE\n"
         "                        separated by commas, a range drawn anew each time, e.g. a cage\n"
         "                        of mice: 2:0:0.02,8:24-32:1.5 (--seed applies)\n"
         "  --weight G            weight in grams (default 25.0)\n"
         "  --noise SD            gaussian noise in grams (default 0.3)\n"
         "  --seed S              noise seed (default 1)\n"
         "  --decimals D          digits after the point, 0..6 (default 2)\n"
         "  --model X             b: model code 0..255 (default 1); bm: model text (default "
         "KM500)\n"
         "  --serial N            serial number (default 1234; 24-bit for b)\n"
         "  --unstable-every K    every K-th reading is unstable, 0 = never (default 5)\n"
         "  --unstable-step G     a jump above G grams is unstable, 0 = off (default 0.5)\n"
         "  --silent-after K      stop sending after K readings, 0 = never (default 0)\n"
         "  --silent-for S        and send again after S seconds, 0 = never (default 0)\n"
         "  --corrupt-every K     every K-th reading frame is damaged, 0 = never (default 0)\n"
         "  --period-ms MS        bm streaming period (default 250)\n"
         "  --tag-reader-com N    also an animal tag reader (9600 baud, 8N1) on a second\n"
         "                        pseudo-terminal, linked as COM port N; it prints tags as\n"
         "                        \"985 000001234567\" CR LF\n"
         "  --tags LIST           with --profile: the tags read in turn, one as each step that\n"
         "                        starts above 1 g begins, 15 digits each separated by commas\n"
         "                        (default 985000001234567,985000001234568,985000001234569)\n"
         "  --tag-reader-stdin    the reader also takes commands on standard input, one a line:\n"
         "                        tag DIGITS (reads that tag), line TEXT (prints TEXT, with\n"
         "                        \\r and \\n for CR and LF), unplug (its terminal and link go),\n"
         "                        plug (back again)\n"
         "  --help                show this text\n";
}

}  // namespace tarvelo::balance_sim
