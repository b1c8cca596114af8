// The formation advisor: the AI assistant of the main window (group "AI Analysis
// (Claude)"). "Analyze Results" and "Ask" send the simulation context with a question,
// "AI: Suggest Protocol" asks for a complete protocol for the cell's chemistry and writes
// it into the pattern, schedule and CC/CV entries, "Copy" copies the answer memo.
// Requests run on background threads; their answers come back through a hand-over queue
// that the host pumps on the user-interface thread (PumpAnswers).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ai/claude_api.h"
#include "ai/formation_prompts.h"
#include "ai/ui_thread_queue.h"

namespace voltaris {

class TFormPreview;

class TFormationAdvisor {
 public:
  static constexpr const char* kPlaceholder =
      "Run a simulation, then click \"Analyze Results\" or type a question.";

  // Registers the handlers of the four buttons and the dump fields aiStatus and aiBusy.
  explicit TFormationAdvisor(TFormPreview& form);
  // Answers still on their way are dropped; their transfers are told to stop.
  ~TFormationAdvisor();
  TFormationAdvisor(const TFormationAdvisor&) = delete;
  TFormationAdvisor& operator=(const TFormationAdvisor&) = delete;

  // The client from the defaults and the settings file's [Claude] section; the answer
  // memo shows its placeholder and the status "Ready".
  void InitClaudeAPI();

  void BtnAIAnalyzeClick(const std::string& sender);
  void BtnAIAskClick(const std::string& sender);
  void BtnAIFillParamsClick(const std::string& sender);
  void BtnAICopyClick(const std::string& sender);

  // The figures of the last simulation as text for the service.
  std::string BuildSimContext() const;
  // Writes a suggested protocol into the window's entries and redraws the reference wave.
  void ApplyFormationParamsToUI(const TFormationParams& p);

  // User-interface thread: hands the answers that have arrived to their handlers.
  int PumpAnswers();
  // Waits at most `ms` for every pending answer, handing each over as it arrives;
  // `betweenWaits` runs between short waits (the window repaints). True when none is pending.
  bool WaitForAnswers(int ms, const std::function<void()>& betweenWaits = {});

  // A request whose answer has not been handled yet.
  bool Busy() const { return FPending > 0; }
  std::string Status() const;

  TClaudeAPIConfig FClaudeConfig{};
  std::unique_ptr<TClaudeAPI> FClaudeAPI{};

 private:
  using AnswerHandler = std::function<void(const std::string& answer, const std::string& error)>;
  void Send(const std::string& systemPrompt, const std::string& userMessage, AnswerHandler onAnswer);
  void SetStatus(const std::string& status);
  void SetMemoText(const std::string& text);

  TFormPreview& form_;
  std::shared_ptr<TUiThreadQueue> uiThread_ = std::make_shared<TUiThreadQueue>();
  int FPending = 0;
};

}  // namespace voltaris
