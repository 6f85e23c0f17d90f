#include "serial_worker.hpp"

SerialWorker::SerialWorker(QObject* parent) : QObject(parent), m_runner(new QObject) {
    m_thread.setObjectName(QStringLiteral("serial"));
    m_runner->moveToThread(&m_thread);
    m_thread.start();
}

SerialWorker::~SerialWorker() {
    m_thread.requestInterruption();
    m_thread.quit();
    m_thread.wait();
    delete m_runner;
}
