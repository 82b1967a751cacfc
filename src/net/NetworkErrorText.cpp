// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/NetworkErrorText.h"

#include "net/HttpClient.h"

using namespace Qt::StringLiterals;

namespace NetworkErrorText {

QString describe(const HttpResponse &response)
{
    using O = HttpResponse::Outcome;
    switch (response.outcome) {
    case O::Ok:
    case O::HttpError:
        return {};
    case O::TimedOut:
        return u"请求超时"_s;
    case O::TooLarge:
        return u"服务返回的数据过大"_s;
    case O::RedirectRefused:
        return u"服务要求跳转到其他网站，为安全起见已拒绝"_s;
    case O::TransportError:
        break;
    }
    switch (response.networkError) {
    case QNetworkReply::ConnectionRefusedError:
        return u"连接被拒绝"_s;
    case QNetworkReply::HostNotFoundError:
        return u"找不到服务器"_s;
    case QNetworkReply::SslHandshakeFailedError:
        return u"安全连接（TLS）失败"_s;
    case QNetworkReply::TimeoutError:
        return u"请求超时"_s;
    case QNetworkReply::RemoteHostClosedError:
        return u"连接被服务器中断"_s;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return u"网络暂时不可用"_s;
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return u"无法连接代理服务器"_s;
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return u"代理服务器需要认证"_s;
    default:
        return u"网络连接失败"_s;
    }
}

} // namespace NetworkErrorText
