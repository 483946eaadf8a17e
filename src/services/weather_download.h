// The weather download: one GET of the informer URL (BotSettings::URLe)
// on a worker thread, so that the bot keeps answering meanwhile; its
// result is applied on the main thread through the event loop. A result
// with a forecast replaces botfile/<OutputName> (no line break after it),
// becomes the content view's text and saves the file name and the URL to
// others.ini ("Pogoda": "OutputFileName", "URL"); OutputName is then
// "weather.txt" again. A failed GET is logged and changes no file. One
// download at a time. Main thread only, except for the worker it owns.
//
// The names are written back only when they changed inside the program
// (the window's fields, or OutputName's return to "weather.txt" after a
// download): an operator who edits others.ini by hand while the program
// runs keeps his edit. A name that changed both here and by hand since the
// last read or write is left as the file has it, and the log says so.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "base/event_loop.h"
#include "services/http_fetch.h"

namespace pelmo {

class IniFile;
class LineLog;
class WorkFolder;
struct BotSettings;

class WeatherDownload {
 public:
  // finished(ok): called on the main thread once the result is applied;
  // ok is false when the GET failed or the answer had no forecast.
  using Finished = std::function<void(bool ok)>;

  // All references must outlive the object. limits: the GET's time limits
  // and body cap (tests shorten them).
  WeatherDownload(EventLoop& loop, LineLog& log, const WorkFolder& folder,
                  IniFile& othersIni, BotSettings& settings, HttpLimits limits = {});
  // Abandons a download in flight.
  ~WeatherDownload();
  WeatherDownload(const WeatherDownload&) = delete;
  WeatherDownload& operator=(const WeatherDownload&) = delete;

  // The download button and the weather action. Returns false, logs one
  // line and fetches nothing when no URL is set or a download is already in
  // flight (finished is then not called). Otherwise clears the content
  // view and starts the GET with the credentials and proxy of the
  // settings.
  bool Download(Finished finished = {});
  bool InFlight() const { return m_inFlight; }
  // Cancels a download in flight and waits for its worker (a second at
  // most); its result is dropped and its finished callback not called.
  void Abandon();

  // OutputName and URLe from others.ini (the program's start) and back
  // (after a download, and at the program's close), each only when it
  // changed here (see above).
  void LoadNames();
  void SaveNames();

  // The content view (ContentRE): the last forecast, "" while downloading.
  const std::string& Content() const { return m_content; }
  std::function<void()> OnContentChanged;

 private:
  void Apply(std::uint64_t generation, const HttpResult& result);
  void SetContent(std::string text);
  void JoinWorker();
  // Writes value under key unless it is what the file had at the last
  // read or write (stored), or the file has changed by hand since.
  void SaveName(const char* key, const std::string& value, std::string& stored,
                const std::string& defaultValue);

  EventLoop& m_loop;
  LineLog& m_log;
  const WorkFolder& m_folder;
  IniFile& m_othersIni;
  BotSettings& m_settings;
  HttpLimits m_limits;
  std::string m_content;
  // The names as others.ini had them at the last read or write (before
  // the first read: as a file without them reads).
  std::string m_storedOutputName = "weather.txt";
  std::string m_storedUrl;
  bool m_inFlight = false;
  Finished m_finished;
  std::thread m_worker;
  std::shared_ptr<std::atomic<bool>> m_cancel;
  std::uint64_t m_generation = 0;
  // Lets a result posted after the object is gone do nothing.
  std::shared_ptr<bool> m_alive;
};

}  // namespace pelmo
