#include "automation/script_runner.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/debug_log.h"
#include "common/numbers.h"
#include "common/utf8.h"
#include "documents/text_file.h"
#include "form/chart_csv.h"
#include "workspace/hx_facade.h"

namespace voltaris {

namespace {

// Splits off the next blank-separated word; `rest` keeps what follows (one separator dropped).
std::string NextWord(std::string_view& rest) {
  size_t b = 0;
  while (b < rest.size() && (rest[b] == ' ' || rest[b] == '\t')) ++b;
  size_t e = b;
  while (e < rest.size() && rest[e] != ' ' && rest[e] != '\t') ++e;
  std::string word(rest.substr(b, e - b));
  rest = e < rest.size() ? rest.substr(e + 1) : std::string_view{};
  return word;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int ParseInt(const std::string& word, const char* what) {
  int v = 0;
  const auto [p, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (word.empty() || ec != std::errc() || p != word.data() + word.size())
    throw ScriptError(std::string("bad ") + what + ": '" + word + "'");
  return v;
}

double ParseNumber(const std::string& word) {
  double v = 0;
  if (!TryParseFloat(word, '.', v)) throw ScriptError("bad number: '" + word + "'");
  return v;
}

void ExpectEnd(std::string_view rest) {
  if (!Trim(rest).empty()) throw ScriptError("unexpected argument: '" + std::string(Trim(rest)) + "'");
}

void WriteFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  if (!out) throw ScriptError("cannot write file: " + file.string());
  out << text;
  if (!out) throw ScriptError("cannot write file: " + file.string());
}

Json AxisJson(const AxisModel& a) {
  return Json{{"automatic", a.automatic}, {"min", a.minimum}, {"max", a.maximum}, {"title", a.title}};
}

Json PointJson(const SeriesModel& s, size_t i) { return Json::array({s.X(i), s.Y(i)}); }

Json ChartJson(const ChartModel& chart, bool full) {
  Json series = Json::array();
  for (const auto& sp : chart.Series()) {
    const SeriesModel& s = *sp;
    Json js{{"name", s.name}, {"title", s.title}, {"points", s.Count()}};
    js["first"] = s.Count() ? PointJson(s, 0) : Json();
    js["last"] = s.Count() ? PointJson(s, s.Count() - 1) : Json();
    if (s.Count()) {
      double lo = s.Y(0), hi = s.Y(0);
      for (double y : s.Ys()) {
        if (y < lo) lo = y;
        if (y > hi) hi = y;
      }
      js["minY"] = lo;
      js["maxY"] = hi;
    } else {
      js["minY"] = nullptr;
      js["maxY"] = nullptr;
    }
    if (full) {
      Json data = Json::array();
      for (size_t i = 0; i < s.Count(); ++i) data.push_back(PointJson(s, i));
      js["data"] = std::move(data);
    }
    series.push_back(std::move(js));
  }
  return Json{{"title", chart.title},
              {"series", std::move(series)},
              {"axes", {{"bottom", AxisJson(chart.bottom)}, {"left", AxisJson(chart.left)}, {"right", AxisJson(chart.right)}}}};
}

Json ControlJson(const FormModel& form, const Control& c) {
  Json j{{"kind", std::string(ControlKindName(c.Kind()))}};
  switch (c.Kind()) {
    case ControlKind::Edit:
      j["text"] = c.Text();
      j["enabled"] = c.Enabled();
      j["visible"] = c.Visible();
      break;
    case ControlKind::Label:
    case ControlKind::Panel:
    case ControlKind::Group:
      j["caption"] = c.Caption();
      j["visible"] = c.Visible();
      break;
    case ControlKind::Check:
      j["caption"] = c.Caption();
      j["checked"] = c.Checked();
      j["enabled"] = c.Enabled();
      break;
    case ControlKind::Combo:
      j["text"] = c.Text();
      j["items"] = c.Items();
      j["index"] = c.ItemIndex();
      break;
    case ControlKind::Pages: {
      j["active"] = c.ActivePage();
      Json pages = Json::array();
      for (const auto& other : form.Controls())
        if (other->Kind() == ControlKind::Page && other->Layout().parent == c.Name()) pages.push_back(other->Name());
      j["pages"] = std::move(pages);
      break;
    }
    case ControlKind::Page:
      j["caption"] = c.Caption();
      break;
    case ControlKind::Memo:
      j["lines"] = c.Lines();
      break;
    case ControlKind::Grid:
      j["cells"] = c.Cells();
      j["columnWidths"] = c.ColumnWidths();
      j["editing"] = c.GridEditing();
      break;
    case ControlKind::Trackbar:
      j["position"] = c.Position();
      j["min"] = c.Minimum();
      j["max"] = c.Maximum();
      break;
    case ControlKind::Progress:
      j["position"] = c.Position();
      j["min"] = c.Minimum();
      j["max"] = c.Maximum();
      j["visible"] = c.Visible();
      break;
    case ControlKind::Button:
      j["caption"] = c.Caption();
      j["enabled"] = c.Enabled();
      break;
    case ControlKind::StatusBar:
      j["text"] = c.Text();
      break;
    case ControlKind::Chart:
      break;
  }
  if (!c.Hint().empty()) j["hint"] = c.Hint();
  return j;
}

}  // namespace

void HeadlessHost::Screenshot(const std::filesystem::path&) {
  throw ScriptError("screenshot needs the window; the CLI has none");
}

void HeadlessHost::Tick() {
  platform_.AdvanceClock(TFormPreview::kPlayIntervalMs);
  form_.PlayTimerTick();
  form_.sei3d.AdvanceEdge3DTimer(TFormPreview::kPlayIntervalMs);
}

DebugCapture::DebugCapture(std::vector<std::string>& lines) {
  SetDebugListener([&lines](const std::string& line) { lines.push_back(line); });
}

DebugCapture::~DebugCapture() { SetDebugListener({}); }

ScriptRunner::ScriptRunner(TFormPreview& form, RecordingPlatform& platform, ScriptHost& host)
    : form_(form), platform_(platform), host_(host) {}

Control& ScriptRunner::ControlOf(const std::string& name, std::initializer_list<ControlKind> kinds, const char* what) {
  if (name.empty()) throw ScriptError("missing control name");
  Control* c = form_.Form().Find(name);
  if (c == nullptr) throw ScriptError("unknown control: " + name);
  for (ControlKind k : kinds)
    if (c->Kind() == k) return *c;
  throw ScriptError(name + " is not " + what);
}

bool ScriptRunner::RunLine(std::string_view line) {
  std::string_view rest = line;
  const std::string cmd = NextWord(rest);
  FormModel& form = form_.Form();

  if (cmd == "set") {
    const std::string name = NextWord(rest);
    Control& c = ControlOf(name, {ControlKind::Edit, ControlKind::Combo, ControlKind::Trackbar},
                           "an edit, combo box or trackbar");
    if (c.Kind() == ControlKind::Trackbar)
      form.UserSetPosition(name, ParseInt(std::string(Trim(rest)), "position"));
    else
      form.UserSetText(name, std::string(rest));
  } else if (cmd == "type") {
    const std::string name = NextWord(rest);
    Control& c = ControlOf(name, {ControlKind::Edit, ControlKind::Combo}, "an edit or combo box");
    for (char32_t ch : DecodeUtf8(rest)) {
      if (!form_.KeyPress(name, ch)) continue;  // swallowed by the key filter
      std::string text = c.Text();
      AppendUtf8(text, ch);
      form.UserSetText(name, text);
    }
  } else if (cmd == "check") {
    const std::string name = NextWord(rest);
    ControlOf(name, {ControlKind::Check}, "a check box");
    const std::string state = NextWord(rest);
    ExpectEnd(rest);
    if (state != "on" && state != "off") throw ScriptError("check expects on or off, got '" + state + "'");
    form.UserCheck(name, state == "on");
  } else if (cmd == "select") {
    const std::string name = NextWord(rest);
    Control& c = ControlOf(name, {ControlKind::Combo}, "a combo box");
    const int index = ParseInt(NextWord(rest), "index");
    ExpectEnd(rest);
    if (index < -1 || index >= static_cast<int>(c.Items().size()))
      throw ScriptError("index " + std::to_string(index) + " out of range for " + name);
    form.UserSelect(name, index);
  } else if (cmd == "page") {
    const std::string name = NextWord(rest);
    ControlOf(name, {ControlKind::Pages}, "a page control");
    const std::string page = NextWord(rest);
    ExpectEnd(rest);
    const Control* p = form.Find(page);
    if (p == nullptr || p->Kind() != ControlKind::Page || p->Layout().parent != name)
      throw ScriptError(page + " is not a page of " + name);
    form.UserSetPage(name, page);
  } else if (cmd == "cell") {
    const std::string name = NextWord(rest);
    Control& c = ControlOf(name, {ControlKind::Grid}, "a grid");
    const int col = ParseInt(NextWord(rest), "column");
    const int row = ParseInt(NextWord(rest), "row");
    if (row < 0 || col < 0 || row >= static_cast<int>(c.Cells().size()) ||
        col >= static_cast<int>(c.Cells()[static_cast<size_t>(row)].size()))
      throw ScriptError("cell " + std::to_string(col) + " " + std::to_string(row) + " out of range for " + name);
    form.RunEvent([&] { form.SetCell(name, col, row, std::string(rest)); });
  } else if (cmd == "click") {
    const std::string name = NextWord(rest);
    ExpectEnd(rest);
    const Control& c = ControlOf(name, {ControlKind::Button, ControlKind::Check, ControlKind::Label},
                                 "a button");
    if (c.Enabled() && c.Visible()) form.UserClick(name);  // a disabled button ignores clicks
  } else if (cmd == "dblclick") {
    const std::string name = NextWord(rest);
    ExpectEnd(rest);
    ControlOf(name, {ControlKind::Chart}, "a chart");
    form.UserDoubleClick(name);
  } else if (cmd == "hover") {
    const std::string name = NextWord(rest);
    ExpectEnd(rest);
    if (!name.empty()) ControlOf(name, {ControlKind::Panel, ControlKind::Group, ControlKind::Pages, ControlKind::Page,
                                        ControlKind::Label, ControlKind::Edit, ControlKind::Check, ControlKind::Combo,
                                        ControlKind::Button, ControlKind::Memo, ControlKind::Grid,
                                        ControlKind::Trackbar, ControlKind::Progress, ControlKind::Chart,
                                        ControlKind::StatusBar},
                                 "a control");
    form.RunEvent([&] { form_.HoverControl(name); });
  } else if (cmd == "key") {
    const std::string keyText = NextWord(rest);
    ExpectEnd(rest);
    const auto key = ParseKeyStroke(keyText);
    if (!key) throw ScriptError("unknown key: '" + keyText + "'");
    form.RunEvent([&] { form_.FormKeyDown(*key); });
  } else if (cmd == "answer-dialog") {
    const std::string answer(Trim(rest));
    if (answer.empty()) throw ScriptError("answer-dialog expects a path or cancel");
    if (answer == "cancel")
      platform_.QueueDialogAnswer(std::nullopt);
    else
      platform_.QueueDialogAnswer(answer);
  } else if (cmd == "tick") {
    const int n = ParseInt(NextWord(rest), "tick count");
    ExpectEnd(rest);
    if (n < 0) throw ScriptError("tick count must not be negative");
    for (int i = 0; i < n; ++i) host_.Tick();
  } else if (cmd == "run-to-end") {
    const std::string maxWord = NextWord(rest);
    ExpectEnd(rest);
    const int maxTicks = maxWord.empty() ? 100000 : ParseInt(maxWord, "tick count");
    if (maxTicks < 0) throw ScriptError("tick count must not be negative");
    for (int i = 0; i < maxTicks && form_.IsPlaying(); ++i) host_.Tick();
  } else if (cmd == "ai-wait") {
    // Waits for the AI answers still on their way and hands them to the window; by default
    // as long as a request may take (connection and response time-outs) and a margin.
    const std::string msWord = NextWord(rest);
    ExpectEnd(rest);
    const TFormationAdvisor& advisor = form_.advisor;
    const int timeoutSec = advisor.FClaudeAPI ? advisor.FClaudeAPI->Config().TimeoutSec : CLAUDE_DEFAULT_TIMEOUT_SEC;
    const int ms = msWord.empty() ? timeoutSec * 2000 + 5000 : ParseInt(msWord, "wait time");
    if (ms < 0) throw ScriptError("wait time must not be negative");
    form_.advisor.WaitForAnswers(ms, [this] { host_.AfterCommand(); });
  } else if (cmd == "probe") {
    const std::string fn = NextWord(rest);
    if (fn.empty()) throw ScriptError("probe expects a function name");
    std::vector<double> args;
    for (std::string w = NextWord(rest); !w.empty(); w = NextWord(rest)) args.push_back(ParseNumber(w));
    Json result;
    try {
      result = form_.CallProbe(fn, args);
    } catch (const FormError& e) {
      throw ScriptError(e.what());
    } catch (const std::exception& e) {
      result = Json{{"error", e.what()}};
    }
    probes_.push_back({fn, args, std::move(result)});
  } else if (cmd == "dump") {
    const std::string file = NextWord(rest);
    const std::string mode = NextWord(rest);
    ExpectEnd(rest);
    if (file.empty()) throw ScriptError("dump expects a file name");
    if (!mode.empty() && mode != "full") throw ScriptError("dump mode must be full, got '" + mode + "'");
    WriteFile(file, Dump(mode == "full").dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
  } else if (cmd == "screenshot") {
    const std::string file(Trim(rest));
    if (file.empty()) throw ScriptError("screenshot expects a file name");
    host_.Screenshot(file);
  } else if (cmd == "import-session" || cmd == "export-session") {
    const std::string file(Trim(rest));
    if (file.empty()) throw ScriptError(cmd + " expects a file name");
    // Failures are the user's: recorded as messages like any handler error.
    if (cmd == "import-session")
      form.RunEvent([&] { THxFacade::ImportSessionFromFile(file); });
    else
      form.RunEvent([&] { THxFacade::ExportSessionToFile(file); });
  } else if (cmd == "export-chart") {
    const std::string name = NextWord(rest);
    ControlOf(name, {ControlKind::Chart}, "a chart");
    const std::string file(Trim(rest));
    if (file.empty()) throw ScriptError("export-chart expects a chart and a file name");
    try {
      WriteFileReplacing(file, ChartDataCsv(form.Chart(name)));
    } catch (const std::exception& e) {
      throw ScriptError(e.what());
    }
  } else if (cmd == "wait-web") {
    const int ms = ParseInt(NextWord(rest), "milliseconds");
    ExpectEnd(rest);
    if (ms < 0) throw ScriptError("wait-web expects milliseconds >= 0");
    host_.WaitWeb(ms);
  } else if (cmd == "quit") {
    ExpectEnd(rest);
    return false;
  } else {
    throw ScriptError("unknown command: " + cmd);
  }
  host_.AfterCommand();
  return true;
}

int ScriptRunner::RunText(std::string_view text) {
  // An editor's UTF-8 byte order mark is no part of the first command.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int lineNo = 0;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    ++lineNo;
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    // Trailing blanks belong to the TEXT of set/type/cell; only the leading ones go.
    line.remove_prefix(line.find_first_not_of(" \t"));
    try {
      if (!RunLine(line)) return 0;
    } catch (const ScriptError& e) {
      std::fprintf(stderr, "script:%d: %s\n", lineNo, e.what());
      return 2;
    } catch (const std::exception& e) {  // a form fault outside any handler
      std::fprintf(stderr, "script:%d: %s\n", lineNo, e.what());
      return 2;
    }
  }
  return 0;
}

int ScriptRunner::RunFile(const std::filesystem::path& file) {
  // Read as every document is: a regular file only (never a folder, a pipe or a device),
  // within the size limit, so a wrong name stops with a message instead of a hang.
  std::string text;
  try {
    text = ReadTextFile(file.string());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "script:0: cannot read script file: %s\n", e.what());
    return 2;
  }
  return RunText(text);
}

Json ScriptRunner::Dump(bool full) const {
  FormModel& form = form_.Form();
  Json controls = Json::object();
  for (const auto& c : form.Controls())
    if (c->Kind() != ControlKind::Chart) controls[c->Name()] = ControlJson(form, *c);
  Json charts = Json::object();
  for (const auto& ch : form.Charts()) charts[ch->Name()] = ChartJson(*ch, full);
  Json messages = Json::array();
  for (const auto& m : platform_.messages)
    messages.push_back(Json{{"kind", MessageKindName(m.kind)}, {"title", m.title}, {"text", m.text}});
  Json probes = Json::array();
  for (const auto& p : probes_) probes.push_back(Json{{"function", p.function}, {"args", p.args}, {"result", p.result}});

  Json dump = Json::object();
  dump["caption"] = form.Caption();
  dump["controls"] = std::move(controls);
  dump["charts"] = std::move(charts);
  dump["messages"] = std::move(messages);
  dump["opened"] = platform_.opened;
  dump["debug"] = platform_.debugLines;
  dump["probes"] = std::move(probes);
  dump["state"] = form_.DumpState();
  if (IWebBrowser* web = platform_.EmbeddedBrowser())
    dump["web"] = Json{{"url", web->Url()}, {"scripts", web->Scripts()}};
  return dump;
}

}  // namespace voltaris
