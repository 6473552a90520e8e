# The mail notifier against a real SMTP server (smtp_real.sh; no root needed).
add_executable(mail_lab_send ${CMAKE_CURRENT_LIST_DIR}/mail_lab/mail_lab_send.cpp)
target_link_libraries(mail_lab_send PRIVATE "$<LINK_GROUP:RESCAN,vetrel_platform,vetrel_logic>")
