#include "app/data_window.h"
#include "app/main_window.h"
#include "serial/com_port.h"
#include "app/pages/com_setting_page.h"
#include "app/sender.h"

namespace ferrotap {

void MainWindow::ConnectSender() {
  SenderLinks links;
  links.sendOnPortA = [this](const Bytes& bytes) { SendOnPortA(bytes); };
  links.showEcho = [this](const Bytes& bytes) { ShowEcho(bytes); };
  links.echoLineBreak = [this] { REA->InsertText(lineBreak_); };
  links.whenOutputFree = [this](std::size_t bytes, std::function<void()> wake) {
    return CP1->WhenOutputFree(bytes, std::move(wake));
  };
  links.outputFree = [this] { return CP1->OutputFree(); };
  sender_ = new Sender(*TabSheet1, *TabSheet5, *TabSheet3->RBCR, asciiCommandTable_, *dialogs_,
                       exeDir_, std::move(links), this);
}

}  // namespace ferrotap
