#include "services/weather_download.h"

#include <exception>
#include <utility>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/line_log.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "core/error_text.h"
#include "core/work_folder.h"
#include "services/weather_text.h"

namespace pelmo {

WeatherDownload::WeatherDownload(EventLoop& loop, LineLog& log, const WorkFolder& folder,
                                 IniFile& othersIni, BotSettings& settings, HttpLimits limits)
    : m_loop(loop),
      m_log(log),
      m_folder(folder),
      m_othersIni(othersIni),
      m_settings(settings),
      m_limits(limits),
      m_alive(std::make_shared<bool>(true)) {
  // libcurl's global set-up, here on the main thread before any worker.
  HttpGlobalInit();
}

WeatherDownload::~WeatherDownload() { Abandon(); }

bool WeatherDownload::Download(Finished finished) {
  if (m_settings.URLe.empty()) {
    m_log.LogLine(W("Погода: адрес информера не задан, скачивать нечего."));
    return false;
  }
  if (m_inFlight) {
    m_log.LogLine(W("Погода: прогноз уже скачивается."));
    return false;
  }
  JoinWorker();
  SetContent("");
  HttpRequest request;
  request.url = m_settings.URLe;
  request.username = m_settings.edUsername;
  request.password = m_settings.edPassword;
  request.proxyHost = m_settings.edProxyServer;
  request.proxyPort = ProxyPortValue(m_settings.edProxyPort);
  request.limits = m_limits;

  m_inFlight = true;
  m_finished = std::move(finished);
  m_cancel = std::make_shared<std::atomic<bool>>(false);
  const std::uint64_t generation = ++m_generation;
  std::weak_ptr<bool> alive = m_alive;
  m_worker = std::thread([this, request, generation, alive, cancel = m_cancel] {
    HttpResult result = HttpGet(request, cancel.get());
    if (cancel->load()) return;
    // The loop outlives the object (the object's owner is on it); only the
    // posted task needs to know whether the object is still there.
    EventLoop& loop = m_loop;
    loop.Post([this, alive, generation, result = std::move(result)] {
      if (alive.expired()) return;
      Apply(generation, result);
    });
  });
  return true;
}

void WeatherDownload::Abandon() {
  if (m_cancel) m_cancel->store(true);
  JoinWorker();
  // A result already posted belongs to an older generation and is dropped.
  ++m_generation;
  m_inFlight = false;
  m_finished = nullptr;
}

void WeatherDownload::JoinWorker() {
  if (m_worker.joinable()) m_worker.join();
}

void WeatherDownload::Apply(std::uint64_t generation, const HttpResult& result) {
  if (generation != m_generation || !m_inFlight) return;
  JoinWorker();
  m_inFlight = false;
  Finished finished = std::exchange(m_finished, nullptr);
  bool ok = false;
  if (!result.ok) {
    m_log.LogLine(W("Погода: прогноз не скачан: ") + ToLogText(result.error));
  } else if (std::optional<std::string> text =
                 ExtractWeatherText(InformerTextTo1251(result.body, result.contentType))) {
    ok = true;
    SetContent(*text);
    const std::string name = SafeOutputName(m_settings.OutputName);
    try {
      RewriteFile(m_folder.BotFile(name), *text);
    } catch (const std::exception& e) {
      m_log.LogLine(ErrorLogLine(e));
    }
    m_settings.OutputName = name;
    SaveNames();
    m_settings.OutputName = "weather.txt";
  }
  if (finished) finished(ok);
}

void WeatherDownload::SetContent(std::string text) {
  m_content = std::move(text);
  if (OnContentChanged) OnContentChanged();
}

void WeatherDownload::LoadNames() {
  m_settings.OutputName = m_othersIni.ReadString("Pogoda", "OutputFileName", "weather.txt");
  m_settings.URLe = m_othersIni.ReadString("Pogoda", "URL", "");
  m_storedOutputName = m_settings.OutputName;
  m_storedUrl = m_settings.URLe;
}

void WeatherDownload::SaveNames() {
  SaveName("OutputFileName", m_settings.OutputName, m_storedOutputName, "weather.txt");
  SaveName("URL", m_settings.URLe, m_storedUrl, "");
}

void WeatherDownload::SaveName(const char* key, const std::string& value, std::string& stored,
                               const std::string& defaultValue) {
  // Unchanged here: whatever the file holds now (a hand edit, say) stays.
  if (value == stored) return;
  const std::string onDisk = m_othersIni.ReadString("Pogoda", key, defaultValue);
  if (onDisk != stored) {
    m_log.LogLine(W("Погода: ключ ") + key + W(" раздела [Pogoda] файла others.ini изменён "
                                              "вручную; значение программы не записано поверх."));
    return;
  }
  if (m_othersIni.WriteString("pogoda", key, value)) stored = value;
}

}  // namespace pelmo
