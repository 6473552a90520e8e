# The mail notifier over Winsock, sending to a real SMTP server on the host (smtp_wine.sh).
add_executable(mail_wine_send ${CMAKE_SOURCE_DIR}/tests/lab/mail_lab/mail_lab_send.cpp)
target_link_libraries(mail_wine_send PRIVATE vetrel_platform vetrel_logic)
