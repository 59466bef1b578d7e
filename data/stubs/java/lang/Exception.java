// Compile-time stand-in for the CLDC class; never packed into a suite.
package java.lang;

public class Exception extends Throwable {
    public Exception() {
    }
}
// SPDX-License-Identifier: MIT
