#include "platform/gstengine.h"

GstEngine::GstEngine(const Sinks&, QObject* parent) : QObject(parent) {}
GstEngine::~GstEngine() = default;
void GstEngine::Command(const QString&) {}
void GstEngine::setFileName(const std::filesystem::path&) {}
void GstEngine::setFrom(qint64) {}
void GstEngine::setSilent(bool) {}
void GstEngine::pause() {}
void GstEngine::resume() {}
void GstEngine::rewind() {}
qint64 GstEngine::Length() const { return 0; }
qint64 GstEngine::Position() const { return 0; }
int GstEngine::Mode() const { return ModeNotReady; }
bool GstEngine::failed() const { return false; }
