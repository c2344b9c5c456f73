// A golang.org/x/crypto/ssh client for the interoperability run:
//
//	go_client HOST PORT USER PASSWORD_FILE
//
// logs in with the password, opens a shell without a pty and relays standard
// input to it and its output to standard output until either side ends; exits
// 0 when the shell ended with exit status 0. The host key is new in every
// run, so there is nothing to verify it against.
package main

import (
	"fmt"
	"net"
	"os"
	"strings"

	"golang.org/x/crypto/ssh"
)

func main() {
	if len(os.Args) != 5 {
		fmt.Fprintln(os.Stderr, "usage: go_client HOST PORT USER PASSWORD_FILE")
		os.Exit(2)
	}
	text, err := os.ReadFile(os.Args[4])
	if err != nil {
		fmt.Fprintln(os.Stderr, err)
		os.Exit(2)
	}
	config := &ssh.ClientConfig{
		User:            os.Args[3],
		Auth:            []ssh.AuthMethod{ssh.Password(strings.SplitN(string(text), "\n", 2)[0])},
		HostKeyCallback: ssh.InsecureIgnoreHostKey(),
	}
	client, err := ssh.Dial("tcp", net.JoinHostPort(os.Args[1], os.Args[2]), config)
	if err != nil {
		fmt.Fprintln(os.Stderr, "login:", err)
		os.Exit(1)
	}
	defer client.Close()
	session, err := client.NewSession()
	if err != nil {
		fmt.Fprintln(os.Stderr, "session:", err)
		os.Exit(1)
	}
	session.Stdin, session.Stdout, session.Stderr = os.Stdin, os.Stdout, os.Stderr
	if err := session.Shell(); err != nil {
		fmt.Fprintln(os.Stderr, "shell:", err)
		os.Exit(1)
	}
	if err := session.Wait(); err != nil {
		fmt.Fprintln(os.Stderr, "wait:", err)
		os.Exit(1)
	}
}
