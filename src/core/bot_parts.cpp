#include "core/bot_parts.h"

#include "core/autostart.h"
#include "core/core_rows.h"

namespace pelmo {

BotParts::BotParts(EventLoop& eventLoop, const Clock& botClock, BotOptions botOptions)
    : loop(eventLoop),
      clock(botClock),
      options(std::move(botOptions)),
      folder(options.workDir),
      netIni(folder.NetIni()),
      othersIni(folder.OthersIni()),
      log(clock, settings, folder.BotFile("log.txt")),
      codec(cipher, netSettings, out, log, clock, random),
      net(netSettings, codec, cipher, loop, log, netIni),
      replies(codec, netSettings, log, loop),
      store(folder, settings, netSettings, out,
            options.configDir.empty() ? DefaultConfigDir() : options.configDir,
            options.programPath, &log),
      views(log),
      interpreter(log, settings, on, loop, clock, roster),
      dispatcher(*this),
      services{loop,         clock,       random,   folder,   settings,
               netSettings,  replies,     log,      othersIni,
               interpreter.Table(),       on,       interpreter,
               [this] { return net.NetStarted(); }} {
  // Net registered itself as the codec's sender.
  codec.SetDispatcher([this](const ReceivedPacket& packet) { dispatcher.DispatchPacket(packet); });
  if (!options.interfaces.empty()) net.SetInterfaces(options.interfaces);
  on.greeting.Add(GreetingStep::Topic,
                  [this](const ChatEvent& event) { dispatcher.SendTopicTo(event); });
  AddCoreRows(*this);
  on.life.stopped.push_back([this] { replies.DropWaiting(); });
}

void BotParts::SetTopic(const std::string& text) {
  topic.Topic = text;
  views.TopicChanged(text);
}

}  // namespace pelmo
